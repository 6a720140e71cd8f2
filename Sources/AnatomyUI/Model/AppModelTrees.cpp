#include "AnatomyUI/Model/AppModel.h"

namespace morvena {

namespace {

// The inspector's ancestry always follows part-of links, this many steps at most.
constexpr std::string_view ancestryKind = "partOf";
constexpr int ancestryDepth = 12;

} // namespace

void AppModel::setTreeKind(TreeKind kind)
{
    assign(treeKind_, kind, Field::treeKind);
    assign(treeRoots_, db_ ? db_->roots(rawValue(kind)) : std::vector<TaxonomyNode> {}, Field::treeRoots);
}

std::vector<TaxonomyNode> AppModel::children(std::string_view conceptID) const
{
    return db_ ? db_->children(conceptID, rawValue(treeKind_)) : std::vector<TaxonomyNode> {};
}

std::vector<AnatomyDB::RelatedStructure> AppModel::related(std::string_view conceptID) const
{
    return db_ ? db_->related(conceptID) : std::vector<AnatomyDB::RelatedStructure> {};
}

std::vector<TaxonomyNode> AppModel::ancestry(std::string_view conceptID) const
{
    return db_ ? db_->ancestry(conceptID, ancestryKind, ancestryDepth) : std::vector<TaxonomyNode> {};
}

} // namespace morvena
