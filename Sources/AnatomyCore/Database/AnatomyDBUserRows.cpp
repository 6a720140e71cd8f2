// What the user adds to a dataset: notes, bookmarks and saved views. None of it
// throws; a change that cannot be made leaves the stored rows as they were, and
// the results say what is actually stored.
#include "AnatomyCore/Database/AnatomyDB.h"

#include "AnatomyCore/Database/Internal/FileIdentity.h"
#include "AnatomyCore/Database/Internal/SQLite.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <algorithm>
#include <cmath>

namespace morvena {

namespace {

using Clock = std::chrono::system_clock;

double secondsSince1970(Clock::time_point time)
{
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

// Stored times come from the file: a value the clock cannot hold (NaN, far
// outside its range) reads as the nearest representable time.
Clock::time_point timeFromSeconds(double seconds)
{
    using Seconds = std::chrono::duration<double>;
    const double limit = std::chrono::duration_cast<Seconds>(Clock::duration::max()).count() * 0.999;
    if (std::isnan(seconds))
        seconds = 0;
    seconds = std::clamp(seconds, -limit, limit);
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(Seconds(seconds)));
}

} // namespace

std::optional<std::string> AnatomyDB::note(std::string_view conceptID) const
{
    return sqlite::textForKey(*handle_, "SELECT body FROM notes WHERE concept_id=?1", conceptID);
}

std::optional<std::string> AnatomyDB::setNote(std::string_view body, std::string_view conceptID)
{
    const std::string_view trimmed = UnicodeText::trimmingBlanksAndLineBreaks(body);
    // Clearing a note removes it: a stored note is never empty.
    changeInPlace([&] {
        if (trimmed.empty())
            return sqlite::change(*handle_, "DELETE FROM notes WHERE concept_id=?1",
                [&](sqlite::Statement& statement) { statement.bindText(1, conceptID); });
        return sqlite::change(*handle_,
            "INSERT OR REPLACE INTO notes(concept_id, body, updated_at) VALUES (?1,?2,?3)",
            [&](sqlite::Statement& statement) {
                statement.bindText(1, conceptID);
                statement.bindText(2, trimmed);
                statement.bindDouble(3, secondsSince1970(Clock::now()));
            });
    });
    return note(conceptID);
}

std::vector<std::string> AnatomyDB::bookmarks() const
{
    return sqlite::readRows(*handle_, "SELECT concept_id FROM bookmarks ORDER BY created_at DESC",
        [](const sqlite::Statement& row) { return row.requiredText(0); });
}

bool AnatomyDB::toggleBookmark(std::string_view conceptID)
{
    const auto current = bookmarks();
    const bool wasBookmarked = std::find(current.begin(), current.end(), conceptID) != current.end();
    const bool changed = changeInPlace([&] {
        if (wasBookmarked)
            return sqlite::change(*handle_, "DELETE FROM bookmarks WHERE concept_id=?1",
                [&](sqlite::Statement& statement) { statement.bindText(1, conceptID); });
        return sqlite::change(*handle_,
            "INSERT OR REPLACE INTO bookmarks(concept_id, created_at) VALUES (?1,?2)",
            [&](sqlite::Statement& statement) {
                statement.bindText(1, conceptID);
                statement.bindDouble(2, secondsSince1970(Clock::now()));
            });
    });
    return changed ? !wasBookmarked : wasBookmarked;
}

std::vector<AnatomyDB::SavedView> AnatomyDB::savedViews() const
{
    return sqlite::readRows(*handle_,
        "SELECT id, name, payload, created_at FROM saved_views ORDER BY created_at DESC",
        [](const sqlite::Statement& row) {
            return SavedView {
                .id = row.int64(0),
                .name = row.requiredText(1),
                .payload = row.requiredText(2),
                .createdAt = timeFromSeconds(row.real(3)),
            };
        });
}

std::int64_t AnatomyDB::saveView(std::string_view name, std::string_view payload)
{
    std::int64_t id = 0;
    changeInPlace([&] {
        auto statement
            = handle_->tryPrepare("INSERT INTO saved_views(name, payload, created_at) VALUES (?1,?2,?3)");
        if (!statement)
            return false;
        statement.bindText(1, name);
        statement.bindText(2, payload);
        statement.bindDouble(3, secondsSince1970(Clock::now()));
        // After a failed insert the connection still reports the previous row ID.
        if (!statement.stepDone())
            return false;
        id = sqlite3_last_insert_rowid(handle_->get());
        return true;
    });
    return id;
}

bool AnatomyDB::deleteView(std::int64_t id)
{
    return changeInPlace([&] {
        return sqlite::change(*handle_, "DELETE FROM saved_views WHERE id=?1",
            [&](sqlite::Statement& statement) { statement.bindInt64(1, id); });
    });
}

bool AnatomyDB::changeInPlace(const std::function<bool()>& change)
{
    // Inside a caller's transaction the caller commits; otherwise the write lock
    // comes first, so that a replacement holding it has finished before the file
    // is compared.
    const bool ownTransaction = sqlite3_get_autocommit(handle_->get()) != 0;
    if (ownTransaction && !handle_->tryExecute("BEGIN IMMEDIATE"))
        return false;
    const bool changed = !identity_->replaced() && change();
    if (!ownTransaction)
        return changed;
    if (changed && handle_->tryExecute("COMMIT"))
        return true;
    rollbackTransaction();
    return false;
}

} // namespace morvena
