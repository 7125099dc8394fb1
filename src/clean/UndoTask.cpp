#include "clean/UndoTask.h"

#include "clean/CleanController.h"
#include "clean/CleanFrontEnd.h"
#include "clean/ControllerStep.h"
#include "clean/JournalUndo.h"
#include "model/FingerprintSource.h"
#include "scan/CustomRuleController.h"
#include "scan/ManagerCore.h"
#include "scan/SourceNodeManager.h"

UndoTask::UndoTask(CleanController &controller, UndoRecord record)
    : m_core(controller.engine().core()), m_state(controller.state()), m_controller(&controller),
      m_frontEnd(controller.m_cleanFrontEnd), m_record(std::move(record))
{
}

void UndoTask::takeIn(const Url &place, const MovedFile &known)
{
    // A file moved back on its file system is the item it was; a replaced one is a new copy, and so is
    // one moved back from another file system: a new node describes it.
    const MyTreeNode::Ptr fresh = MyTreeNode::initWithURL(place);
    const MyTreeNode::Ptr node = fresh && fresh->fileId() == known.file->fileId() ? known.file : fresh;
    if (!node)
        return;
    node->setRootNode(known.source);
    FingerprintSource fingerprints(m_core->rules.load()->rules().preciseLevel);
    m_core->takeIn(node, known.source, fingerprints);
    m_core->withManager([&](SourceNodeManager &engine) {
        if (!engine.rootNodes().contains(known.source)) {
            engine.rootController().addObject(known.source);
            Q_EMIT engine.sourcesChanged();
        }
    });
}

void UndoTask::run()
{
    QList<FileFailure> failures;
    std::variant<UndoJournal, Error> opened = UndoJournal::open(m_record.journal);
    if (const Error *error = std::get_if<Error>(&opened)) {
        failures.append({nullptr, *error});
    } else {
        const QList<JournalUndo::Outcome> outcomes =
            JournalUndo::run(std::get<UndoJournal>(opened), {}, [&](const JournalUndo::Outcome &outcome) {
                m_core->status.setText(outcome.step.place.displayPath());
                const auto known = m_record.files.constFind(outcome.step.number);
                if (known != m_record.files.cend())
                    takeIn(outcome.step.place, *known);
            });
        for (const JournalUndo::Outcome &outcome : outcomes) {
            if (outcome.error)
                failures.append({m_record.files.value(outcome.step.number).file, *outcome.error});
        }
    }
    m_core->withManager([&](SourceNodeManager &engine) {
        engine.updateStatBar(QStringLiteral(" "));
        engine.syncAllSatus();
    });
    m_state->taskStatus = TaskStatus::Idle;
    withController(m_controller, [&](CleanController &controller) {
        controller.m_undoFailures = failures;
        controller.refreshJournals();
        Q_EMIT controller.cleanTaskStateChanged();
        if (m_frontEnd && !failures.isEmpty())
            m_frontEnd->reportUndoFailures(failures);
    });
}
