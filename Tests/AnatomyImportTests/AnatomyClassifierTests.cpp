#include "AnatomyImport/Naming/AnatomyClassifier.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace morvena;
namespace Classifier = morvena::AnatomyClassifier;

namespace {

using Names = std::vector<std::string>;

AnatomySystem systemOf(std::string_view name, const Names& ancestors = {})
{
    return Classifier::system(name, ancestors);
}

BodyRegion regionOf(std::string_view name, const Names& ancestors = {})
{
    return Classifier::region(name, ancestors);
}

} // namespace

TEST(ClassifierTables, lexiconRowsComeInPrecedenceOrderWithDistinctKeywords)
{
    using S = AnatomySystem;
    const std::vector<std::pair<AnatomySystem, std::size_t>> expected {{S::respiratory, 32}, {S::venous, 23},
        {S::arterial, 19}, {S::nervous, 76}, {S::cardiac, 18}, {S::ligament, 14}, {S::tendon, 6},
        {S::cartilage, 15}, {S::skeletal, 73}, {S::muscular, 124}, {S::digestive, 49}, {S::urogenital, 25},
        {S::endocrine, 7}, {S::lymphatic, 8}, {S::sense, 29}, {S::integument, 11}, {S::joint, 9}};
    auto rows = Classifier::lexicon();
    ASSERT_EQ(rows.size(), expected.size());
    std::set<std::string_view> keywords;
    std::size_t total = 0;
    for (std::size_t index = 0; index < rows.size(); ++index) {
        EXPECT_EQ(rows[index].system, expected[index].first) << "row " << index;
        EXPECT_EQ(rows[index].keywords.size(), expected[index].second) << "row " << index;
        for (auto keyword : rows[index].keywords) {
            EXPECT_TRUE(keywords.insert(keyword).second) << keyword << " is in two rows";
            EXPECT_EQ(keyword, Classifier::normalize(keyword)) << "keyword not in normal form: " << keyword;
        }
        total += rows[index].keywords.size();
    }
    EXPECT_EQ(total, 538u);

    const auto& heads = Classifier::genericHeads();
    EXPECT_EQ(heads.size(), 67u);
    for (auto word : {"branch", "head", "trunk", "plexus", "side of", "segment of", "cusp of"})
        EXPECT_TRUE(heads.contains(word)) << word;
    EXPECT_FALSE(heads.contains("artery"));
}

TEST(ClassifierSystem, headWordDecidesUnlessItIsGeneric)
{
    EXPECT_EQ(systemOf("Right femur"), AnatomySystem::skeletal);
    EXPECT_EQ(systemOf("Left femur"), AnatomySystem::skeletal);
    // "head" is generic: the femur decides.
    EXPECT_EQ(systemOf("Head of right femur"), AnatomySystem::skeletal);
    // "tendon" is a keyword of its own, so the muscle after "of" is not consulted.
    EXPECT_EQ(systemOf("Tendon of biceps brachii"), AnatomySystem::tendon);
    EXPECT_EQ(systemOf("Branch of left pulmonary artery"), AnatomySystem::arterial);
    EXPECT_EQ(systemOf("Nerve to obturator internus"), AnatomySystem::nervous);
    EXPECT_EQ(systemOf("Pulmonary trunk"), AnatomySystem::arterial);
    // An unknown last word hands over to the word before it.
    EXPECT_EQ(systemOf("Vastus lateralis"), AnatomySystem::muscular);
    EXPECT_EQ(systemOf("Right vastus lateralis muscle"), AnatomySystem::muscular);
    // A specific but unknown head word lets the rest decide.
    EXPECT_EQ(systemOf("Lateral condyle of femur"), AnatomySystem::skeletal);
    EXPECT_EQ(systemOf("Anterior cusp of mitral valve"), AnatomySystem::cardiac);
}

TEST(ClassifierSystem, multiWordKeywordsOutrankSingleWordsAndRowsKeepTheirOrder)
{
    // "nasal" alone is skeletal; the respiratory "nasal cavity" is tried first.
    EXPECT_EQ(systemOf("Right nasal cavity"), AnatomySystem::respiratory);
    EXPECT_EQ(systemOf("Nasal bone"), AnatomySystem::skeletal);
    EXPECT_EQ(systemOf("Fourth ventricle"), AnatomySystem::nervous);
    EXPECT_EQ(systemOf("Left ventricle"), AnatomySystem::cardiac);
    EXPECT_EQ(systemOf("Superior vena cava"), AnatomySystem::venous);
    EXPECT_EQ(systemOf("Internal jugular vein"), AnatomySystem::venous);
    EXPECT_EQ(systemOf("Thyroid gland"), AnatomySystem::endocrine);
    EXPECT_EQ(systemOf("Thyroid cartilage"), AnatomySystem::cartilage);
    // Multi-word keywords are found as plain substrings.
    EXPECT_EQ(systemOf("Left vocal folds"), AnatomySystem::respiratory);
}

TEST(ClassifierSystem, genericHeadIsTheLastResortWhenTheRestSaysNothing)
{
    // The rest is unknown, so the head is read after all; its generic last word
    // is passed over and "liver" decides.
    EXPECT_EQ(systemOf("Liver lobe of unknown origin"), AnatomySystem::digestive);
    EXPECT_EQ(systemOf("Lobe of unknown origin"), AnatomySystem::unclassified);
    EXPECT_EQ(systemOf("Branch"), AnatomySystem::unclassified);
}

TEST(ClassifierSystem, complementsAreCutBeforeAnythingElse)
{
    EXPECT_EQ(Classifier::trimComplements("nerve to obturator internus"), "nerve");
    EXPECT_EQ(Classifier::trimComplements("branch of artery through canal for nerve"), "branch of artery");
    EXPECT_EQ(Classifier::trimComplements("vein towards heart"), "vein");
    EXPECT_EQ(Classifier::trimComplements("a toward b"), "a");
    EXPECT_EQ(Classifier::trimComplements("no complement"), "no complement");
    for (std::string_view phrase : {"a with b for c", "x from y into z to w", "to start"}) {
        auto once = Classifier::trimComplements(phrase);
        EXPECT_EQ(Classifier::trimComplements(once), once);
        EXPECT_TRUE(phrase.starts_with(once));
    }
    EXPECT_EQ(systemOf("Branch of femoral artery to vastus lateralis"), AnatomySystem::arterial);
    EXPECT_EQ(systemOf("Muscular branch from femoral nerve"), AnatomySystem::unclassified);
}

TEST(ClassifierSystem, examinesAtMostSixLevelsOfOf)
{
    std::string phrase = "femur";
    for (int joints = 1; joints <= 6; ++joints) {
        phrase = "branch of " + phrase;
        auto expected = joints <= 5 ? AnatomySystem::skeletal : AnatomySystem::unclassified;
        EXPECT_EQ(systemOf(phrase), expected) << joints << " joints";
    }
    EXPECT_EQ(Classifier::resolve("femur", 5), AnatomySystem::skeletal);
    EXPECT_EQ(Classifier::resolve("femur", 6), std::nullopt);
}

TEST(ClassifierSystem, firstAncestorThatYieldsASystemDecides)
{
    EXPECT_EQ(systemOf("Zone Q"), AnatomySystem::unclassified);
    EXPECT_EQ(systemOf("Zone Q", {"", "unknown thing", "femoral artery", "femur"}), AnatomySystem::arterial);
    EXPECT_EQ(systemOf("Femur", {"femoral artery"}), AnatomySystem::skeletal);
    EXPECT_EQ(systemOf("", {"cranial nerve"}), AnatomySystem::nervous);
    EXPECT_EQ(systemOf(""), AnatomySystem::unclassified);
}

TEST(ClassifierNormalize, lowerCasesDropsSideWordsAndCollapsesSpaces)
{
    EXPECT_EQ(Classifier::normalize("Head of RIGHT  Femur"), "head of femur");
    // Side words go before hyphens become spaces, so "left-" stays.
    EXPECT_EQ(Classifier::normalize("  left-sided   Cranio-Facial "), "left sided cranio facial");
    // The side word goes only with its following space: a trailing one stays.
    EXPECT_EQ(Classifier::normalize("Femur right"), "femur right");
    // Only spaces separate: a tab stays inside the word.
    EXPECT_EQ(Classifier::normalize("a\tb  c"), "a\tb c");
    // Full Unicode lower-casing, independent of the locale.
    EXPECT_EQ(Classifier::normalize("ÉPIPHYSE DU FÉMUR"), "épiphyse du fémur");
    EXPECT_EQ(Classifier::normalize("İ"), "i\u0307");
    EXPECT_EQ(Classifier::normalize(""), "");
}

TEST(ClassifierNormalize, sideWordsInsideLongerWordsSurvive)
{
    EXPECT_EQ(Classifier::normalize("Cleft palate"), "cleft palate");
    EXPECT_EQ(Classifier::normalize("Upright left arm"), "upright arm");
    EXPECT_EQ(systemOf("Cleft palate"), AnatomySystem::digestive);
    EXPECT_EQ(systemOf("Bright tooth"), AnatomySystem::digestive);
}

TEST(ClassifierRegion, firstMatchingRuleWinsOnTheNameAsPassed)
{
    EXPECT_EQ(regionOf("Right femur"), BodyRegion::lowerLimb);
    // The lower-limb rule comes before the head rule.
    EXPECT_EQ(regionOf("Head of right femur"), BodyRegion::lowerLimb);
    EXPECT_EQ(regionOf("Skin of face"), BodyRegion::head);
    EXPECT_EQ(regionOf("Skin"), BodyRegion::wholeBody);
    EXPECT_EQ(regionOf("LEFT HUMERUS"), BodyRegion::upperLimb);
    EXPECT_EQ(regionOf("Forearm"), BodyRegion::upperLimb);
    EXPECT_EQ(regionOf("Left common carotid artery"), BodyRegion::neck);
    EXPECT_EQ(regionOf("Arch of aorta"), BodyRegion::thorax);
    EXPECT_EQ(regionOf("Right kidney"), BodyRegion::abdomen);
    EXPECT_EQ(regionOf("Urinary bladder"), BodyRegion::pelvis);
    EXPECT_EQ(regionOf("Multifidus"), BodyRegion::back);
    EXPECT_EQ(regionOf("Unknown thing"), BodyRegion::unknown);
    EXPECT_EQ(regionOf(""), BodyRegion::unknown);
}

TEST(ClassifierRegion, wordBoundariesKnowNonASCIILetters)
{
    EXPECT_EQ(regionOf("Armpit"), BodyRegion::unknown);
    EXPECT_EQ(regionOf("Upper arm"), BodyRegion::upperLimb);
    EXPECT_EQ(regionOf("(arm)"), BodyRegion::upperLimb);
    // "é" is a letter, so "éarm" is one word and "\barm\b" does not match it.
    EXPECT_EQ(regionOf("éarm"), BodyRegion::unknown);
    EXPECT_EQ(regionOf("é arm"), BodyRegion::upperLimb);
    EXPECT_EQ(regionOf("FÉMUR"), BodyRegion::unknown);
    // Ill-formed UTF-8 does not hide the rest of the name.
    EXPECT_EQ(regionOf("femur \xff\xfe"), BodyRegion::lowerLimb);
}

TEST(ClassifierRegion, ruleOrderOutranksAncestorOrder)
{
    // A head match on the far ancestor wins over a neck match on the near one.
    EXPECT_EQ(regionOf("Zone Q", {"neck muscle", "skull"}), BodyRegion::head);
    EXPECT_EQ(regionOf("Zone Q", {"", "unknown", "thoracic wall"}), BodyRegion::thorax);
    // The name decides whenever it matches.
    EXPECT_EQ(regionOf("Femur", {"skull"}), BodyRegion::lowerLimb);
    EXPECT_EQ(regionOf("", {"skull"}), BodyRegion::head);
    EXPECT_EQ(regionOf("Zone Q", {"unknown"}), BodyRegion::unknown);
}

TEST(ClassifierLaterality, sideIsAWholeWordAndRightWins)
{
    EXPECT_EQ(Classifier::laterality("Right femur"), Laterality::right);
    EXPECT_EQ(Classifier::laterality("Left femur"), Laterality::left);
    EXPECT_EQ(Classifier::laterality("Branch of LEFT pulmonary artery"), Laterality::left);
    EXPECT_EQ(Classifier::laterality("femur (left)"), Laterality::left);
    EXPECT_EQ(Classifier::laterality("left-right junction"), Laterality::right);
    EXPECT_EQ(Classifier::laterality("Upright"), Laterality::unpaired);
    EXPECT_EQ(Classifier::laterality("Cleft palate"), Laterality::unpaired);
    EXPECT_EQ(Classifier::laterality("éleft"), Laterality::unpaired);
    EXPECT_EQ(Classifier::laterality("Sternum"), Laterality::unpaired);
    EXPECT_EQ(Classifier::laterality(""), Laterality::unpaired);
    EXPECT_EQ(Classifier::laterality("right \xc3"), Laterality::right);
}

TEST(ClassifierConcurrency, parallelCallersAgreeWithASingleThread)
{
    const Names names {"Head of right femur", "Branch of left pulmonary artery",
        "Nerve to obturator internus", "Tendon of biceps brachii", "Skin of face", "Zone Q",
        "Fourth ventricle", "Liver lobe of unknown origin"};
    const Names ancestors {"unknown", "cranial nerve", "skull"};
    std::vector<std::tuple<AnatomySystem, BodyRegion, Laterality>> expected;
    for (const auto& name : names)
        expected.emplace_back(
            systemOf(name, ancestors), regionOf(name, ancestors), Classifier::laterality(name));

    std::vector<int> mismatches(8, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 200; ++round) {
                for (std::size_t i = 0; i < names.size(); ++i) {
                    // Fresh names each round keep the memo filling while others read it.
                    auto fresh = names[i] + " " + std::to_string(t * 1000 + round);
                    Classifier::system(fresh, ancestors);
                    auto got = std::tuple(systemOf(names[i], ancestors), regionOf(names[i], ancestors),
                        Classifier::laterality(names[i]));
                    mismatches[t] += got != expected[i];
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int count : mismatches)
        EXPECT_EQ(count, 0);
}
