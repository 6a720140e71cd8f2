#include "AnatomyUI/Model/AppModel.h"

#include "AnatomyUI/Model/ShownText.h"

namespace morvena {

namespace {

// The inspector's ancestry always follows part-of links, this many steps at most.
constexpr std::string_view ancestryKind = "partOf";
constexpr int ancestryDepth = 12;

} // namespace

void AppModel::setTreeKind(TreeKind kind)
{
    assign(treeKind_, kind, Field::treeKind);
    auto roots = db_ ? db_->roots(rawValue(kind)) : std::vector<TaxonomyNode> {};
    assign(treeRoots_, ShownText::each(std::move(roots), ShownText::node), Field::treeRoots);
}

std::vector<TaxonomyNode> AppModel::children(std::string_view conceptID) const
{
    auto nodes = db_ ? db_->children(conceptID, rawValue(treeKind_)) : std::vector<TaxonomyNode> {};
    return ShownText::each(std::move(nodes), ShownText::node);
}

std::vector<AnatomyDB::RelatedStructure> AppModel::related(std::string_view conceptID) const
{
    auto relations = db_ ? db_->related(conceptID) : std::vector<AnatomyDB::RelatedStructure> {};
    return ShownText::each(std::move(relations), ShownText::related);
}

std::vector<TaxonomyNode> AppModel::ancestry(std::string_view conceptID) const
{
    auto parents = db_ ? db_->ancestry(conceptID, ancestryKind, ancestryDepth) : std::vector<TaxonomyNode> {};
    return ShownText::each(std::move(parents), ShownText::node);
}

} // namespace morvena
