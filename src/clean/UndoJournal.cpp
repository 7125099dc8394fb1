#include "clean/UndoJournal.h"

#include "fs/DirectoryEntries.h"
#include "platform/StringTable.h"
#include "platform/WriteAll.h"

#include <QCryptographicHash>
#include <QDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

const QByteArray magic = "twinsift-undo";
const QByteArray suffix = ".journal";

using Mode = CleanTaskOptions::Mode;
using State = UndoJournal::Step::State;

const QList<QPair<Mode, QByteArray>> modeNames = {
    {Mode::Move, "move"}, {Mode::Trash, "trash"}, {Mode::HardLink, "hardlink"}, {Mode::Reflink, "reflink"}};

QByteArray checksum(const QByteArray &record)
{
    return QCryptographicHash::hash(record, QCryptographicHash::Md5).left(8).toHex();
}

QByteArray path(const Url &url)
{
    return url.isNull() ? QByteArray("-") : url.path().toBase64();
}

std::optional<Url> pathFrom(const QByteArray &field)
{
    if (field == "-")
        return Url();
    const auto decoded = QByteArray::fromBase64Encoding(field, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || !decoded.decoded.startsWith('/'))
        return std::nullopt;
    return Url::fromPath(decoded.decoded);
}

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

Error damaged(const QByteArray &id, const QString &why)
{
    //% "The undo journal %1 is damaged (%2), so nothing of it is undone."
    return Error{QStringLiteral("UndoJournal"), 1,
                 StringTable::text("UNDO_JOURNAL_DAMAGED_STRING").arg(QString::fromUtf8(id), why)};
}

Error inUse(const QByteArray &id)
{
    //% "The clean-up that writes the undo journal %1 is still running."
    return Error{QStringLiteral("UndoJournal"), 2,
                 StringTable::text("UNDO_JOURNAL_IN_USE_STRING").arg(QString::fromUtf8(id))};
}

// Records last only once they reach the disk.
int writeDurably(int fd, const QByteArray &bytes)
{
    if (const int error = writeAll(fd, bytes.constData(), size_t(bytes.size())))
        return error;
    return ::fdatasync(fd) == 0 ? 0 : errno;
}

} // namespace

Url UndoJournal::folder()
{
    QByteArray base = qgetenv("XDG_STATE_HOME");
    if (!base.startsWith('/'))
        base = qgetenv("HOME") + "/.local/state";
    return Url::fromPath(base + "/twinsift/undo");
}

Url UndoJournal::pathOf(const QByteArray &id)
{
    return folder().child(id + suffix);
}

std::variant<UndoJournal, Error> UndoJournal::create(Mode mode)
{
    const Url where = folder();
    if (!QDir().mkpath(QString::fromLocal8Bit(where.path())))
        return Error::fromErrno(EACCES, where.displayPath());
    UndoJournal journal;
    journal.m_mode = mode;
    journal.m_created = QDateTime::currentDateTimeUtc();
    // Ids sort as the journals were made; a second task in the same millisecond takes a suffix.
    const QByteArray stem = journal.m_created.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")).toLatin1();
    for (int attempt = 0; !journal.m_fd; ++attempt) {
        journal.m_id = attempt == 0 ? stem : stem + '-' + number(attempt);
        journal.m_fd = UniqueFd(
            ::open(pathOf(journal.m_id).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600));
        if (!journal.m_fd && errno != EEXIST)
            return Error::fromErrno(errno, pathOf(journal.m_id).displayPath());
    }
    // Held until the task lets the journal go; a listing holds it shared only for a moment.
    ::flock(journal.m_fd.get(), LOCK_EX);
    QByteArray modeName;
    for (const auto &[known, name] : modeNames)
        modeName = known == mode ? name : modeName;
    if (MaybeError error =
            journal.append({magic, "1", modeName, number(journal.m_created.toMSecsSinceEpoch())}))
        return *error;
    // The journal's name must last as well as its records.
    const UniqueFd dir(::open(where.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir || ::fsync(dir.get()) != 0)
        return Error::fromErrno(errno, where.displayPath());
    return journal;
}

std::variant<UndoJournal, Error> UndoJournal::open(const QByteArray &id)
{
    return load(id, true);
}

std::variant<UndoJournal, Error> UndoJournal::load(const QByteArray &id, bool forAppending)
{
    UndoJournal journal;
    journal.m_id = id;
    if (id.isEmpty() || id.contains('/'))
        return Error::fromErrno(ENOENT, QString::fromUtf8(id));
    journal.m_fd = UniqueFd(
        ::open(pathOf(id).c_str(), (forAppending ? O_RDWR | O_APPEND : O_RDONLY) | O_NOFOLLOW | O_CLOEXEC));
    if (!journal.m_fd)
        return Error::fromErrno(errno, pathOf(id).displayPath());
    // The task writing the journal holds it locked until it ends: an undo waits for that end, and a
    // listing neither trusts its last record to be whole nor drops it.
    journal.m_inUse = ::flock(journal.m_fd.get(), (forAppending ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0;
    if (journal.m_inUse && forAppending)
        return inUse(id);
    qint64 goodLength = 0;
    if (const std::optional<QString> damage = journal.read(&goodLength))
        return damaged(id, *damage);
    // A torn tail goes before anything more is appended, or it would sit between good records.
    if (forAppending && ::ftruncate(journal.m_fd.get(), goodLength) != 0)
        return Error::fromErrno(errno, pathOf(id).displayPath());
    return journal;
}

std::optional<QString> UndoJournal::read(qint64 *goodLength)
{
    QByteArray content;
    char buffer[1 << 16];
    for (ssize_t got; (got = ::pread(m_fd.get(), buffer, sizeof buffer, content.size())) != 0;) {
        if (got < 0 && errno != EINTR)
            return QString::fromLocal8Bit(std::strerror(errno));
        content.append(buffer, std::max<ssize_t>(got, 0));
    }
    QList<QByteArray> lines = content.split('\n');
    // What follows the last newline is nothing, or the record a killed task was writing: each record is
    // one write ending in its newline, so a cut can only lose its end.
    lines.removeLast();
    *goodLength = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const bool intact = line.indexOf(' ') == 16 && checksum(line.mid(17)) == line.left(16);
        //% "record %1 fails its checksum"
        if (!intact)
            return StringTable::text("UNDO_JOURNAL_BAD_CHECKSUM").arg(i);
        QList<QByteArray> fields = line.mid(17).split(' ');
        //% "record %1 is out of sequence"
        if (fields.takeFirst() != number(m_nextRecord))
            return StringTable::text("UNDO_JOURNAL_OUT_OF_SEQUENCE").arg(i);
        //% "record %1 makes no sense"
        if (!apply(fields))
            return StringTable::text("UNDO_JOURNAL_NONSENSE").arg(i);
        ++m_nextRecord;
        *goodLength += line.size() + 1;
    }
    //% "it is not an undo journal"
    if (m_nextRecord == 0)
        return StringTable::text("UNDO_JOURNAL_NOT_A_JOURNAL");
    return std::nullopt;
}

bool UndoJournal::apply(const QList<QByteArray> &fields)
{
    if (m_nextRecord == 0) {
        if (fields.size() != 4 || fields[0] != magic || fields[1] != "1")
            return false;
        bool known = false;
        for (const auto &[mode, name] : modeNames) {
            if (name == fields[2]) {
                m_mode = mode;
                known = true;
            }
        }
        m_created = QDateTime::fromMSecsSinceEpoch(fields[3].toLongLong(), Qt::UTC);
        return known;
    }
    if (fields.isEmpty())
        return false;
    const QByteArray &type = fields[0];
    bool ok = true;
    const auto integer = [&](qsizetype i) {
        bool valid = false;
        const qint64 value = i < fields.size() ? fields[i].toLongLong(&valid) : 0;
        ok = ok && valid;
        return value;
    };
    const auto url = [&](qsizetype i) {
        const std::optional<Url> value = i < fields.size() ? pathFrom(fields[i]) : std::nullopt;
        ok = ok && value;
        return value.value_or(Url());
    };
    if (type == "step") {
        if (fields.size() != 17)
            return false;
        Step step;
        step.number = integer(1);
        step.place = url(2);
        step.id = FileId{quint64(integer(3)), quint64(integer(4))};
        step.size = integer(5);
        step.modificationNanoseconds = integer(6);
        step.accessNanoseconds = integer(7);
        step.addedMilliseconds = integer(8);
        step.mode = quint32(integer(9));
        step.owner = quint32(integer(10));
        step.group = quint32(integer(11));
        step.anchor = url(12);
        step.target = url(13);
        step.targetId = FileId{quint64(integer(14)), quint64(integer(15))};
        ok = ok && fields[16] == "." && step.number == m_steps.size() && !step.place.isNull();
        m_steps.append(step);
        return ok;
    }
    Step *const found = fields.size() >= 2 ? step(integer(1)) : nullptr;
    if (!ok || !found)
        return false;
    if (type == "done" && fields.size() == 5 && found->state == State::Begun) {
        found->destination = url(2);
        found->destinationId = FileId{quint64(integer(3)), quint64(integer(4))};
        found->state = State::Done;
        return ok;
    }
    if (type == "abandoned" && fields.size() == 2 && found->state == State::Begun) {
        found->state = State::Abandoned;
        return true;
    }
    if (type == "undone" && fields.size() == 2 && found->state != State::Abandoned) {
        found->state = State::Undone;
        return true;
    }
    return false;
}

UndoJournal::Step *UndoJournal::step(qint64 number)
{
    return number >= 0 && number < m_steps.size() ? &m_steps[number] : nullptr;
}

MaybeError UndoJournal::append(QList<QByteArray> fields)
{
    fields.prepend(number(m_nextRecord));
    const QByteArray record = fields.join(' ');
    if (const int error = writeDurably(m_fd.get(), checksum(record) + ' ' + record + '\n'))
        return Error::fromErrno(error, pathOf(m_id).displayPath());
    ++m_nextRecord;
    return std::nullopt;
}

bool UndoJournal::holdsChanges() const
{
    return std::any_of(m_steps.cbegin(), m_steps.cend(), [](const Step &step) {
        return step.state == State::Done || step.state == State::Begun;
    });
}

MaybeError UndoJournal::begin(Step &step)
{
    step.number = m_steps.size();
    step.state = State::Begun;
    const auto id = [](const FileId &id) {
        return QList<QByteArray>{number(qint64(id.device)), number(qint64(id.inode))};
    };
    QList<QByteArray> fields = {"step", number(step.number), path(step.place)};
    fields << id(step.id) << number(step.size) << number(step.modificationNanoseconds)
           << number(step.accessNanoseconds) << number(step.addedMilliseconds) << number(step.mode)
           << number(step.owner) << number(step.group) << path(step.anchor) << path(step.target)
           << id(step.targetId) << ".";
    if (MaybeError error = append(fields))
        return error;
    m_steps.append(step);
    return std::nullopt;
}

MaybeError UndoJournal::finish(qint64 number, const Url &destination, const FileId &destinationId)
{
    if (MaybeError error =
            append({"done", ::number(number), path(destination), ::number(qint64(destinationId.device)),
                    ::number(qint64(destinationId.inode))}))
        return error;
    Step &done = *step(number);
    done.state = State::Done;
    done.destination = destination;
    done.destinationId = destinationId;
    return std::nullopt;
}

MaybeError UndoJournal::abandon(qint64 number)
{
    if (MaybeError error = append({"abandoned", ::number(number)}))
        return error;
    step(number)->state = State::Abandoned;
    return std::nullopt;
}

MaybeError UndoJournal::markUndone(qint64 number)
{
    if (MaybeError error = append({"undone", ::number(number)}))
        return error;
    step(number)->state = State::Undone;
    return std::nullopt;
}

void UndoJournal::remove()
{
    ::unlink(pathOf(m_id).c_str());
}

QList<UndoJournal::Summary> UndoJournal::list()
{
    QList<Summary> journals;
    const UniqueFd dir(::open(folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    QList<QByteArray> names;
    if (!dir || readEntryNames(dir.get(), &names) != 0)
        return journals;
    std::sort(names.begin(), names.end());
    const QDateTime oldest = QDateTime::currentDateTimeUtc().addDays(-keptDays);
    for (const QByteArray &name : std::as_const(names)) {
        if (!name.endsWith(suffix) || name.startsWith('.'))
            continue;
        const QByteArray id = name.chopped(suffix.size());
        // Read only: a task may be appending to it right now.
        std::variant<UndoJournal, Error> opened = load(id, false);
        if (const Error *error = std::get_if<Error>(&opened)) {
            struct stat st;
            if (::fstatat(dir.get(), name.constData(), &st, 0) == 0 &&
                st.st_mtime < oldest.toSecsSinceEpoch())
                ::unlinkat(dir.get(), name.constData(), 0);
            else
                journals.append({id, QDateTime(), Mode::Move, 0, error->localizedDescription()});
            continue;
        }
        UndoJournal &journal = std::get<UndoJournal>(opened);
        // A step still to undo is one whose file is still where it went (or, replaced, at its place),
        // or one cut off, which an undo completes.
        qint64 files = 0;
        bool anyLeft = false;
        for (const Step &step : journal.steps()) {
            const bool done = step.state == State::Done;
            const Url where =
                journal.mode() == Mode::Move || journal.mode() == Mode::Trash ? step.destination : step.place;
            struct stat st;
            files += done ? 1 : 0;
            anyLeft = anyLeft || step.state == State::Begun || (done && ::lstat(where.c_str(), &st) == 0);
        }
        if (!journal.m_inUse && (!anyLeft || journal.created() < oldest)) {
            journal.remove();
            continue;
        }
        journals.append({id, journal.created(), journal.mode(), files, std::nullopt});
    }
    return journals;
}
