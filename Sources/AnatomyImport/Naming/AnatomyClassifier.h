#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/BodyRegion.h"
#include "AnatomyCore/Model/Laterality.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace morvena {

// Body system, region and side of a structure from its English name
// ("Branch of left pulmonary artery", "Head of right femur") and, when the name
// says nothing, from its ancestors' names. Pure functions over constant tables,
// safe to call from any thread; none of them fails.
namespace AnatomyClassifier {

// The first of the name and then the ancestors (in the order given) that yields
// a system decides; `unclassified` when none does.
AnatomySystem system(std::string_view name, std::span<const std::string> ancestorNames = {});
// The name as passed decides when a region pattern matches it; otherwise the
// first pattern, in the rules' order, that matches any ancestor.
BodyRegion region(std::string_view name, std::span<const std::string> ancestorNames = {});
// "right" or "left" as a whole word anywhere in the name; both words give `right`.
Laterality laterality(std::string_view name);

// The steps of system(), each with its own rules.
// Lower-cases, drops the side words "right " and "left ", turns hyphens into
// spaces and collapses runs of spaces.
std::string normalize(std::string_view text);
// Cuts the phrase at its complement ("nerve to obturator internus" -> "nerve").
std::string_view trimComplements(std::string_view phrase);
// The system of an "X of Y of ..." phrase, at most six levels deep.
std::optional<AnatomySystem> resolve(std::string_view phrase, int depth);
// The system of a phrase without "of": a multi-word keyword anywhere in it, else
// its last specific word that is a keyword.
std::optional<AnatomySystem> lexicalSystem(std::string_view phrase);

// The keywords of one system, in the order they are tried.
struct LexiconRow {
    AnatomySystem system;
    std::vector<std::string_view> keywords;
};
// Rows in precedence order; no keyword is in two rows.
std::span<const LexiconRow> lexicon();
// Nouns that name a part of something ("branch", "head") rather than the thing.
const std::unordered_set<std::string_view>& genericHeads();

} // namespace AnatomyClassifier

} // namespace morvena
