#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyUI/Model/ShownText.h"

#include <algorithm>

namespace morvena {

void AppModel::refreshBookmarks()
{
    if (!db_)
        return;
    std::vector<AnatomyDB::SearchHit> hits;
    for (const auto& conceptID : db_->bookmarks())
        if (auto row = db_->structure(conceptID))
            hits.push_back(
                ShownText::hit({row->conceptID, row->nameEN, row->nameIT, row->system, row->meshIndex}));
    assign(bookmarks_, std::move(hits), Field::bookmarks);
}

void AppModel::toggleBookmark()
{
    if (!db_ || selection_.empty())
        return;
    const auto& conceptID = selection_.front().conceptID;
    const auto before = db_->bookmarks();
    const bool wasBookmarked = std::find(before.begin(), before.end(), conceptID) != before.end();
    // The database answers with the state after the call: an unchanged one was refused.
    const bool refused = db_->toggleBookmark(conceptID) == wasBookmarked;
    refreshBookmarks();
    if (refused)
        reportFailure("Impossibile modificare il segnalibro.");
}

bool AppModel::primaryIsBookmarked() const
{
    if (selection_.empty())
        return false;
    const auto& conceptID = selection_.front().conceptID;
    return std::any_of(bookmarks_.begin(), bookmarks_.end(),
        [&conceptID](const AnatomyDB::SearchHit& hit) { return hit.conceptID == conceptID; });
}

void AppModel::saveNote()
{
    if (!db_ || selection_.empty())
        return;
    const std::string_view trimmed = UnicodeText::trimmingBlanksAndLineBreaks(noteDraft_);
    const auto expected = trimmed.empty() ? std::nullopt : std::optional<std::string>(trimmed);
    // The database answers with the note it holds afterwards: anything else means the
    // write did not happen, and the draft stays to be saved again.
    if (db_->setNote(noteDraft_, selection_.front().conceptID) != expected) {
        reportFailure("Impossibile salvare l'annotazione.");
        return;
    }
    assign(lastMessage_, std::optional<std::string>("Annotazione salvata."), Field::lastMessage);
}

} // namespace morvena
