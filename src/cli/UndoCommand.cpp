// twinsift-cli undo: lists the undo journals of earlier clean-ups (of the window or the command line)
// and puts back the files of the newest one, or of the one named.
#include "browser/ReportShellQuoting.h"
#include "clean/JournalUndo.h"
#include "cli/Commands.h"
#include "cli/Help.h"

#include <QLocale>

#include <cstdio>

namespace {

QByteArray modeName(CleanTaskOptions::Mode mode)
{
    switch (mode) {
    case CleanTaskOptions::Mode::Move:
        return "move";
    case CleanTaskOptions::Mode::Trash:
        return "trash";
    case CleanTaskOptions::Mode::HardLink:
        return "link hard";
    case CleanTaskOptions::Mode::Reflink:
        return "link reflink";
    case CleanTaskOptions::Mode::Delete:
        break;
    }
    return "delete";
}

void error(const QByteArray &message)
{
    std::fprintf(stderr, "twinsift-cli undo: %s\n", message.constData());
}

} // namespace

int runUndoCommand(const QList<QByteArray> &arguments)
{
    bool listing = false;
    QList<QByteArray> ids;
    for (const QByteArray &argument : arguments) {
        if (argument == "--help" || argument == "-h")
            return Help::print(Help::ofCommand("undo"));
        if (argument == "--list")
            listing = true;
        else if (argument.startsWith('-') || !ids.isEmpty())
            return error("unexpected argument '" + argument + "' (twinsift-cli undo --help)"), 2;
        else
            ids << argument;
    }
    const QList<UndoJournal::Summary> journals = UndoJournal::list();
    if (listing) {
        QByteArray text;
        for (const UndoJournal::Summary &journal : journals) {
            text += journal.id + '\t';
            if (journal.damage)
                text += "damaged\t" + journal.damage->toUtf8() + '\n';
            else
                text +=
                    journal.created.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8() +
                    '\t' + modeName(journal.mode) + '\t' + QByteArray::number(journal.files) + " file(s)\n";
        }
        return Help::print(text);
    }
    const QByteArray id = !ids.isEmpty()        ? ids.first()
                          : !journals.isEmpty() ? journals.last().id
                                                : QByteArray();
    if (id.isEmpty())
        return error("no clean-up to undo"), 1;
    std::variant<UndoJournal, Error> opened = UndoJournal::open(id);
    if (const Error *failure = std::get_if<Error>(&opened))
        return error(failure->localizedDescription().toUtf8()), 1;
    QByteArray report;
    bool anyFailed = false;
    for (const JournalUndo::Outcome &outcome : JournalUndo::run(std::get<UndoJournal>(opened))) {
        const QByteArray path = ShellQuoting::shown(outcome.step.place.path());
        if (outcome.error) {
            anyFailed = true;
            report += "failed\t" + path + '\t' +
                      ShellQuoting::shown(outcome.error->localizedDescription().toUtf8()) + '\n';
        } else {
            report += (outcome.neverLeft ? "in-place\t" : "restored\t") + path + '\n';
        }
    }
    if (const int status = Help::print(report))
        return status;
    return anyFailed ? 1 : 0;
}
