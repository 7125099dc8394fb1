#pragma once

#include "clean/CleanTaskOptions.h"
#include "fs/FileId.h"
#include "platform/Error.h"
#include "platform/UniqueFd.h"
#include "platform/Url.h"

#include <QDateTime>
#include <QList>

#include <optional>
#include <variant>

// The undo journal of one clean task that moves, trashes or replaces files: a file in
// $XDG_STATE_HOME/twinsift/undo/ (~/.local/state by default), made before the task changes anything,
// to which each step is appended as it is taken and again once it is done, each record flushed to the
// disk (fdatasync) before the change it announces. So whatever stops the task (kill -9, a power loss),
// the journal tells every change that may have been made, and an undo can complete or take back a step
// that was cut off.
//
// Records are lines: a checksum (the first 8 bytes of the MD5 of the rest, in hex), a sequence number
// counting from 0, a type and its fields; paths in Base64, as names are bytes. A task writes its records
// one after another, each in one write that ends with its newline, and flushes each before writing the
// next, so a kill can only cut the last record short: bytes after the last newline are the torn tail of
// a killed task and are left out (and cut off before anything more is appended). Any whole record that
// fails its checksum, comes out of sequence, cannot be read or names a step the journal does not hold
// is damage: the journal is then reported and not used at all.
class UndoJournal
{
public:
    // One file the task changed or began to change.
    struct Step
    {
        enum class State { Begun, Done, Abandoned, Undone };
        qint64 number = 0;
        State state = State::Begun;
        // The file as it was at its place: identity, size, times, the date it was added (milliseconds),
        // owner and mode.
        Url place;
        FileId id;
        qint64 size = 0;
        qint64 modificationNanoseconds = 0;
        qint64 accessNanoseconds = 0;
        qint64 addedMilliseconds = 0;
        quint32 mode = 0;
        quint32 owner = 0;
        quint32 group = 0;
        // The folder below which the place is reached without following links: its source's.
        Url anchor;
        // A move: the destination planned when the step began. A replacement: the copy that stays.
        Url target;
        FileId targetId;
        // Once done: where the file went (a move or the trash), or what replaced it.
        Url destination;
        FileId destinationId;
    };

    struct Summary
    {
        QByteArray id;
        QDateTime created;
        CleanTaskOptions::Mode mode = CleanTaskOptions::Mode::Move;
        // The steps done and not undone yet.
        qint64 files = 0;
        // What is wrong with a damaged journal.
        std::optional<QString> damage;
    };

    // Journals older than this are dropped.
    static constexpr qint64 keptDays = 30;

    // The folder of the journals.
    static Url folder();
    // A new, empty journal for a task of the mode, on the disk before this returns.
    static std::variant<UndoJournal, Error> create(CleanTaskOptions::Mode mode);
    // Reads the journal with the id; a damaged one gives the error that says what is wrong.
    static std::variant<UndoJournal, Error> open(const QByteArray &id);
    // Every journal, oldest first, once those older than keptDays or whose files are all gone (and those
    // fully undone) were deleted. Damaged journals are listed with their damage.
    static QList<Summary> list();

    const QByteArray &id() const { return m_id; }
    CleanTaskOptions::Mode mode() const { return m_mode; }
    QDateTime created() const { return m_created; }
    const QList<Step> &steps() const { return m_steps; }
    // Whether any step is done and not undone.
    bool holdsChanges() const;

    // Appends the step, numbering it; the change may be made once this returns no error.
    MaybeError begin(Step &step);
    MaybeError finish(qint64 number, const Url &destination, const FileId &destinationId);
    // The step failed and changed nothing.
    MaybeError abandon(qint64 number);
    MaybeError markUndone(qint64 number);
    // Deletes the journal's file.
    void remove();

    // A time of struct stat as the steps keep it.
    static qint64 nanoseconds(const timespec &time)
    {
        return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    }

private:
    UndoJournal() = default;
    static Url pathOf(const QByteArray &id);
    static std::variant<UndoJournal, Error> load(const QByteArray &id, bool forAppending);
    // Reads and checks the records of the open file; the damage, if any.
    std::optional<QString> read(qint64 *goodLength);
    // Applies one record (its fields after the sequence number); false when it makes no sense.
    bool apply(const QList<QByteArray> &fields);
    MaybeError append(QList<QByteArray> fields);
    Step *step(qint64 number);

    QByteArray m_id;
    UniqueFd m_fd;
    CleanTaskOptions::Mode m_mode = CleanTaskOptions::Mode::Move;
    QDateTime m_created;
    QList<Step> m_steps;
    qint64 m_nextRecord = 0;
    // Locked by the task that writes it, in this process or another.
    bool m_inUse = false;
};
