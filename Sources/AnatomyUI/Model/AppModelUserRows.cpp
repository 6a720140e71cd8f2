#include "AnatomyUI/Model/AppModel.h"

namespace morvena {

void AppModel::refreshBookmarks()
{
    if (!db_)
        return;
    std::vector<AnatomyDB::SearchHit> hits;
    for (const auto& conceptID : db_->bookmarks())
        if (auto row = db_->structure(conceptID))
            hits.push_back({row->conceptID, row->nameEN, row->nameIT, row->system, row->meshIndex});
    assign(bookmarks_, std::move(hits), Field::bookmarks);
}

} // namespace morvena
