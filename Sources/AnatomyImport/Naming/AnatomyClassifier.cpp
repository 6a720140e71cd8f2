#include "AnatomyImport/Naming/AnatomyClassifier.h"

#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyImport/Naming/CaselessPattern.h"

#include <array>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <utility>

namespace morvena::AnatomyClassifier {

namespace {

struct RegionRule {
    BodyRegion region;
    CaselessPattern pattern;
};

// Tables in precedence order: the first row, keyword or rule that matches wins.

const std::unordered_set<std::string_view>& genericHeadSet()
{
    static const std::unordered_set<std::string_view> heads {"branch", "branches", "part", "parts", "portion",
        "segment", "segments", "head", "heads", "belly", "bellies", "tributary", "tributaries", "root",
        "roots", "division", "divisions", "set", "group", "zone", "region", "body", "arch", "lobe", "lobes",
        "apex", "base", "wall", "cavity", "surface", "margin", "border", "angle", "neck", "shaft", "trunk",
        "ramus", "rami", "layer", "sheath", "fold", "process", "tip", "end", "half", "third", "quarter",
        "side", "side of", "anastomosis", "network", "plexus", "bed", "field", "space", "canal", "foramen",
        "opening", "orifice", "recess", "junction", "node", "crus", "horn", "cornu", "segment of", "cusp of"};
    return heads;
}

const std::vector<LexiconRow>& lexiconRows()
{
    static const std::vector<LexiconRow> rows {
        {AnatomySystem::respiratory,
            {"maxillary sinus", "frontal sinus", "ethmoidal sinus", "sphenoidal sinus", "paranasal sinus",
                "piriform sinus", "nasal cavity", "nasal septum", "lung", "lungs", "bronchus", "bronchi",
                "bronchiole", "trachea", "larynx", "pleura", "alveolus", "alveoli", "epiglottis", "pharynx",
                "nasopharynx", "oropharynx", "laryngopharynx", "choana", "nostril", "conus elasticus",
                "vestibular fold", "vocal fold", "bronchial tree", "bronchial", "lingular bronchial tree",
                "segmental bronchial tree"}},
        {AnatomySystem::venous,
            {"vena cava", "coronary sinus", "sagittal sinus", "cavernous sinus", "transverse sinus",
                "sigmoid sinus", "petrosal sinus", "straight sinus", "occipital sinus",
                "sphenoparietal sinus", "intercavernous sinus", "confluence of sinuses", "venous sinus",
                "dural venous sinus", "vein", "veins", "venule", "venules", "venous plexus", "venous arch",
                "venous network", "venous tree", "jugular vein"}},
        {AnatomySystem::arterial,
            {"aorta", "artery", "arteries", "arteriole", "arterioles", "arterial arch", "arterial circle",
                "arterial tree", "carotid", "brachiocephalic trunk", "celiac trunk", "coeliac trunk",
                "pulmonary trunk", "thyrocervical trunk", "costocervical trunk", "lumbocostal trunk",
                "linguofacial trunk", "lingual trunk", "arterial anastomosis"}},
        {AnatomySystem::nervous,
            {"nerve", "nerves", "nerve trunk", "nervous plexus", "ganglion", "ganglia", "brain", "forebrain",
                "midbrain", "hindbrain", "cerebrum", "cerebellum", "spinal cord", "medulla oblongata", "pons",
                "thalamus", "hypothalamus", "epithalamus", "subthalamus", "telencephalon", "diencephalon",
                "mesencephalon", "metencephalon", "myelencephalon", "cerebral hemisphere",
                "cerebellar hemisphere", "corpus callosum", "fornix", "commissure", "nucleus", "nuclei",
                "cortex", "gyrus", "sulcus", "white matter", "gray matter", "grey matter", "dura mater",
                "arachnoid mater", "pia mater", "choroid plexus", "optic chiasm", "optic tract", "peduncle",
                "colliculus", "lemniscus", "funiculus", "tegmentum", "habenula", "tuber cinereum",
                "pituitary gland", "hypophysis", "infundibulum of hypophysis", "septum pellucidum",
                "septum of telencephalon", "amygdala", "hippocampus", "putamen", "pallidum", "claustrum",
                "insula", "caudate nucleus", "internal capsule", "external capsule", "ventricle of brain",
                "central canal", "cauda equina", "filum terminale", "cranial nerve", "spinal nerve",
                "interpeduncular fossa", "interventricular foramen", "cerebral aqueduct", "fourth ventricle",
                "third ventricle", "lateral ventricle"}},
        {AnatomySystem::cardiac,
            {"heart", "atrium", "ventricle of heart", "myocardium", "endocardium", "pericardium",
                "cardiac valve", "valve", "cusp", "leaflet", "papillary muscle", "chordae tendineae",
                "interatrial septum", "interventricular septum", "trabecula carnea", "sinuatrial node",
                "atrioventricular node", "ventricle"}},
        {AnatomySystem::ligament,
            {"ligament", "ligaments", "ligamentum", "retinaculum", "aponeurosis", "interosseous membrane",
                "raphe", "linea alba", "iliotibial tract", "vocal ligament", "tendinous arch",
                "annular ligament", "fascia", "septum intermusculare"}},
        {AnatomySystem::tendon,
            {"tendon", "tendons", "tendinous intersection", "common tendinous ring", "tendinous ring",
                "tendinous arch of levator ani"}},
        {AnatomySystem::cartilage,
            {"cartilage", "cartilages", "intervertebral disk", "intervertebral disc", "meniscus", "labrum",
                "costal cartilage", "cricoid", "thyroid cartilage", "arytenoid cartilage",
                "corniculate cartilage", "cuneiform cartilage", "septal cartilage", "alar cartilage",
                "tracheal cartilage"}},
        {AnatomySystem::skeletal,
            {"bone", "bones", "vertebra", "vertebrae", "vertebral column", "rib", "ribs", "skull", "cranium",
                "mandible", "maxilla", "sternum", "manubrium", "xiphoid process", "clavicle", "scapula",
                "humerus", "radius", "ulna", "carpal", "carpus", "metacarpal", "phalanx", "phalanges",
                "femur", "tibia", "fibula", "patella", "tarsal", "tarsus", "metatarsal", "ilium", "ischium",
                "pubis", "hip bone", "sacrum", "coccyx", "occipital", "parietal", "temporal", "frontal",
                "ethmoid", "sphenoid", "zygomatic", "palatine", "vomer", "nasal", "lacrimal", "hyoid",
                "calcaneus", "talus", "navicular", "cuboid", "cuneiform", "scaphoid", "lunate", "triquetrum",
                "pisiform", "trapezium", "trapezoid", "capitate", "hamate", "atlas", "axis", "sesamoid",
                "ossicle", "malleus", "incus", "stapes", "acetabulum", "glenoid", "olecranon",
                "sacral canal"}},
        {AnatomySystem::muscular,
            {"muscle", "muscles", "musculus", "diaphragm", "sphincter", "soleus", "gastrocnemius", "biceps",
                "triceps", "quadriceps", "deltoid", "pectoralis", "trapezius", "latissimus dorsi", "gluteus",
                "rectus", "vastus", "sartorius", "gracilis", "pectineus", "psoas", "iliacus", "adductor",
                "abductor", "flexor", "extensor", "supinator", "pronator", "opponens", "lumbrical",
                "lumbricals", "interosseus", "interossei", "palmaris", "plantaris", "popliteus",
                "semitendinosus", "semimembranosus", "tibialis", "fibularis", "peroneus", "piriformis",
                "obturator internus", "obturator externus", "quadratus", "supraspinatus", "infraspinatus",
                "subscapularis", "teres major", "teres minor", "brachialis", "brachioradialis",
                "coracobrachialis", "anconeus", "subclavius", "serratus", "rhomboid", "splenius",
                "longissimus", "iliocostalis", "multifidus", "spinalis", "semispinalis", "rotatores",
                "levator", "levatores", "depressor", "tensor", "constrictor", "scalenus",
                "sternocleidomastoid", "omohyoid", "sternohyoid", "sternothyroid", "thyrohyoid", "mylohyoid",
                "geniohyoid", "stylohyoid", "digastric", "platysma", "masseter", "temporalis", "pterygoid",
                "buccinator", "orbicularis", "zygomaticus", "occipitofrontalis", "risorius", "mentalis",
                "procerus", "nasalis", "corrugator", "stapedius", "genioglossus", "hyoglossus",
                "styloglossus", "palatoglossus", "salpingopharyngeus", "cricothyroid", "arytenoid muscle",
                "thyroarytenoid", "cricoarytenoid", "coccygeus", "puborectalis", "pubococcygeus",
                "iliococcygeus", "bulbospongiosus", "ischiocavernosus", "cremaster", "dartos", "obliquus",
                "transversus", "intercostal", "subcostal", "epicranius", "auricularis", "uvular muscle",
                "articularis genus", "intertransversarii", "interspinales", "longus colli", "longus capitis",
                "iliopsoas", "supinator muscle"}},
        {AnatomySystem::digestive,
            {"esophagus", "oesophagus", "stomach", "duodenum", "jejunum", "ileum", "cecum", "caecum", "colon",
                "rectum", "anus", "anal canal", "appendix", "liver", "gallbladder", "bile duct",
                "biliary tree", "hepatic duct", "cystic duct", "pancreas", "pancreatic duct",
                "salivary gland", "parotid gland", "submandibular gland", "sublingual gland", "tongue",
                "tooth", "teeth", "gingiva", "palate", "lip", "oral cavity", "mesentery", "omentum",
                "peritoneum", "intestine", "pylorus", "cardia", "fundus of stomach", "uvula",
                "ileocecal junction", "hepatic flexure", "splenic flexure", "hepatovenous segment",
                "hepatic segment", "hepatic biliary tree", "sigmoid colon", "duct of liver", "biliary duct"}},
        {AnatomySystem::urogenital,
            {"kidney", "renal pelvis", "ureter", "urinary bladder", "bladder", "urethra", "prostate",
                "testis", "epididymis", "deferent duct", "vas deferens", "seminal vesicle", "penis",
                "scrotum", "ovary", "uterus", "uterine tube", "vagina", "cervix of uterus", "endometrium",
                "clitoris", "perineum", "ejaculatory duct", "spermatic cord", "renal calyx"}},
        {AnatomySystem::endocrine,
            {"thyroid gland", "parathyroid gland", "adrenal gland", "suprarenal gland", "pineal gland",
                "thymus", "pancreatic islet"}},
        {AnatomySystem::lymphatic,
            {"lymph node", "lymph nodes", "lymphatic vessel", "lymphatic duct", "thoracic duct",
                "cisterna chyli", "tonsil", "spleen"}},
        {AnatomySystem::sense,
            {"eyeball", "eye", "cornea", "retina", "lens", "iris", "sclera", "choroid", "vitreous body",
                "conjunctiva", "eyelid", "eyebrow", "lacrimal gland", "lacrimal sac", "nasolacrimal duct",
                "ear", "auricle of ear", "cochlea", "vestibule of ear", "tympanic membrane",
                "semicircular canal", "bony labyrinth", "membranous labyrinth", "external acoustic meatus",
                "auditory tube", "ciliary body", "anterior chamber", "posterior chamber", "optic disc"}},
        {AnatomySystem::integument,
            {"skin", "epidermis", "dermis", "hair", "hairs", "nail", "subcutaneous tissue", "mammary gland",
                "nipple", "areola", "breast"}},
        {AnatomySystem::joint,
            {"joint", "joints", "articulation", "synovial membrane", "bursa", "symphysis", "suture",
                "articular capsule", "articular disc"}},
    };
    return rows;
}

const std::vector<RegionRule>& regionRules()
{
    static const std::vector<RegionRule> rules = [] {
        std::vector<RegionRule> built;
        built.push_back({BodyRegion::upperLimb,
            CaselessPattern(
                R"(shoulder|axilla|axillary|\barm\b|brachi|forearm|antebrachi|\bhand\b|humerus|humeral|)"
                R"(\bradius\b|radial|ulna|ulnar|carpal|carpus|metacarp|digit of hand|finger|thumb|)"
                R"(pollicis|palmar|palm of|deltoid|biceps brachii|triceps brachii|scapula|scapular|)"
                R"(clavicle|clavicular|supraspinatus|infraspinatus|subscapularis|olecranon|cubital|)"
                R"(interossei of hand|lumbricals of hand)")});
        built.push_back({BodyRegion::lowerLimb,
            CaselessPattern(
                R"(\bhip\b|thigh|\bleg\b|\bfoot\b|femur|femoral|tibia|tibial|fibula|fibular|patella|)"
                R"(tarsal|tarsus|metatars|\btoe\b|hallucis|hallux|plantar|popliteal|crural|)"
                R"(gastrocnemius|soleus|quadriceps|hamstring|gluteus|gluteal|calcaneus|calcaneal|talus|)"
                R"(navicular|cuboid|sural|saphenous|obturator|digit of foot)")});
        built.push_back({BodyRegion::head,
            CaselessPattern(
                R"(\bhead\b|skull|cranial|cranium|\bface\b|facial|orbit|orbital|nasal|\boral\b|mandib|)"
                R"(maxilla|temporal|occipital|parietal|frontal|brain|cerebr|cerebell|\beye\b|eyeball|)"
                R"(\bear\b|tongue|palate|tooth|teeth|scalp|zygomat|pterygo|masseter|temporalis|)"
                R"(sphenoid|ethmoid|vomer|pharyn|tympan|cochlea|lacrimal|pituitary|hypophysis|meninx|)"
                R"(dura|auricul|buccal|labial|lingual|mental|submental|thalam|pons|midbrain|)"
                R"(medulla oblongata)")});
        built.push_back({BodyRegion::neck,
            CaselessPattern(
                R"(\bneck\b|cervic|thyroid|larynx|laryngeal|hyoid|carotid|jugular|sternocleidomastoid|)"
                R"(scalene|scalenus|trachea|platysma|omohyoid|suprahyoid|infrahyoid|subclavian|)"
                R"(vertebral artery)")});
        built.push_back({BodyRegion::thorax,
            CaselessPattern(
                R"(thorax|thoracic|\brib\b|sternum|sternal|lung|pleura|heart|cardiac|atrium|)"
                R"(ventricle of heart|mediastin|bronch|intercostal|pectoral|breast|mammary|azygos|)"
                R"(aorta|esophagus|oesophagus|diaphragm|internal thoracic|latissimus|serratus|coronary|)"
                R"(pulmonary)")});
        built.push_back({BodyRegion::abdomen,
            CaselessPattern(
                R"(abdomen|abdominal|stomach|liver|hepatic|spleen|splenic|pancrea|kidney|renal|duoden|)"
                R"(jejun|ileum|cecum|caecum|colon|lumbar|psoas|mesenter|omentum|periton|suprarenal|)"
                R"(adrenal|gastric|celiac|coeliac|portal|biliary|gallbladder|appendix)")});
        built.push_back({BodyRegion::pelvis,
            CaselessPattern(
                R"(pelvi|sacrum|sacral|ilium|iliac|ischium|ischial|pubis|pubic|bladder|rectum|anal|)"
                R"(uter|ovar|prostat|perineum|vagina|testis|scrotum|penis|coccyx|piriformis|)"
                R"(hypogastric|deferent|seminal)")});
        built.push_back({BodyRegion::back,
            CaselessPattern(
                R"(\bback\b|vertebra|vertebral column|spinal|erector spinae|multifidus|semispinalis|)"
                R"(longissimus|iliocostalis|interspinal|intertransvers|trapezius|rhomboid|)"
                R"(levator scapulae|splenius|serratus posterior|nuchal|intervertebral)")});
        built.push_back({BodyRegion::wholeBody,
            CaselessPattern(R"(\bbody\b|whole|\bskin\b|integument|skeleton|systemic)")});
        return built;
    }();
    return rules;
}

const CaselessPattern& rightPattern()
{
    static const CaselessPattern pattern(R"((^|\W)right(\W|$))");
    return pattern;
}

const CaselessPattern& leftPattern()
{
    static const CaselessPattern pattern(R"((^|\W)left(\W|$))");
    return pattern;
}

constexpr std::array<std::string_view, 8> complementMarkers {
    " to ", " from ", " into ", " toward ", " towards ", " for ", " with ", " through "};

constexpr std::array<std::string_view, 2> sideWords {"right ", "left "};

// The lexicon rearranged for lookups: the multi-word keywords in precedence
// order, and every keyword mapped to its (single) row.
struct LexiconIndex {
    std::vector<std::pair<std::string_view, AnatomySystem>> multiWord;
    std::unordered_map<std::string_view, AnatomySystem> byKeyword;
};

const LexiconIndex& lexiconIndex()
{
    static const LexiconIndex index = [] {
        LexiconIndex built;
        for (const auto& row : lexiconRows()) {
            for (auto keyword : row.keywords) {
                if (keyword.find(' ') != std::string_view::npos)
                    built.multiWord.emplace_back(keyword, row.system);
                built.byKeyword.emplace(keyword, row.system);
            }
        }
        return built;
    }();
    return index;
}

bool isWordByte(char c)
{
    auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

// Removes the side word only where it starts a word: "cleft palate" keeps its
// "left " (a blind removal would leave "cpalate" and lose the palate).
std::string removingSideWord(std::string_view text, std::string_view sideWord)
{
    std::string result;
    result.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        auto found = text.find(sideWord, position);
        if (found == std::string_view::npos)
            break;
        bool startsWord = found == 0 || !isWordByte(text[found - 1]);
        result.append(text.substr(position, found - position));
        if (!startsWord)
            result.append(sideWord);
        position = found + sideWord.size();
    }
    result.append(text.substr(std::min(position, text.size())));
    return result;
}

// The last piece between spaces; empty when the phrase has no word.
std::string_view lastWord(std::string_view phrase, std::size_t end)
{
    while (end > 0 && phrase[end - 1] == ' ')
        --end;
    auto space = end == 0 ? std::string_view::npos : phrase.rfind(' ', end - 1);
    auto start = space == std::string_view::npos ? 0 : space + 1;
    return phrase.substr(start, end - start);
}

bool isGeneric(std::string_view word)
{
    return genericHeadSet().contains(word);
}

std::optional<AnatomySystem> headWordSystem(std::string_view phrase)
{
    const auto& byKeyword = lexiconIndex().byKeyword;
    auto end = phrase.size();
    for (auto word = lastWord(phrase, end); !word.empty(); word = lastWord(phrase, end)) {
        if (!isGeneric(word)) {
            if (auto found = byKeyword.find(word); found != byKeyword.end())
                return found->second;
        }
        end = static_cast<std::size_t>(word.data() - phrase.data());
    }
    return std::nullopt;
}

// Remembers a result per phrase: an import asks about the same ancestor names
// thousands of times. Bounded, so a long-lived process cannot grow it forever.
template <typename Value> class PhraseMemo {
public:
    template <typename Compute> Value value(std::string_view phrase, Compute&& compute)
    {
        {
            std::shared_lock lock(mutex_);
            if (auto found = values_.find(phrase); found != values_.end())
                return found->second;
        }
        Value computed = compute(phrase);
        std::unique_lock lock(mutex_);
        if (values_.size() >= capacity)
            values_.clear();
        values_.emplace(phrase, computed);
        return computed;
    }

private:
    static constexpr std::size_t capacity = 1 << 16;
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view> {}(text); }
    };
    std::shared_mutex mutex_;
    std::unordered_map<std::string, Value, Hash, std::equal_to<>> values_;
};

std::optional<AnatomySystem> systemOfName(std::string_view name)
{
    static PhraseMemo<std::optional<AnatomySystem>> memo;
    return memo.value(name, [](std::string_view text) { return resolve(normalize(text), 0); });
}

// Index of the first region rule matching the name; the rule count when none does.
std::size_t firstRegionRule(std::string_view name)
{
    static PhraseMemo<std::size_t> memo;
    return memo.value(name, [](std::string_view text) {
        const auto& rules = regionRules();
        std::size_t index = 0;
        while (index < rules.size() && !rules[index].pattern.search(text))
            ++index;
        return index;
    });
}

} // namespace

std::span<const LexiconRow> lexicon()
{
    return lexiconRows();
}

const std::unordered_set<std::string_view>& genericHeads()
{
    return genericHeadSet();
}

std::string normalize(std::string_view text)
{
    auto lowered = UnicodeText::lowercased(text);
    for (auto sideWord : sideWords)
        lowered = removingSideWord(lowered, sideWord);
    for (char& c : lowered)
        if (c == '-')
            c = ' ';
    return UnicodeText::collapsingSpaces(lowered);
}

std::string_view trimComplements(std::string_view phrase)
{
    for (auto marker : complementMarkers) {
        if (auto found = phrase.find(marker); found != std::string_view::npos)
            phrase = phrase.substr(0, found);
    }
    return phrase;
}

std::optional<AnatomySystem> lexicalSystem(std::string_view phrase)
{
    auto trimmed = trimComplements(phrase);
    if (lastWord(trimmed, trimmed.size()).empty())
        return std::nullopt;
    for (const auto& [keyword, system] : lexiconIndex().multiWord) {
        if (trimmed.find(keyword) != std::string_view::npos)
            return system;
    }
    return headWordSystem(trimmed);
}

std::optional<AnatomySystem> resolve(std::string_view phrase, int depth)
{
    constexpr int deepestLevel = 5;
    if (depth > deepestLevel)
        return std::nullopt;
    auto trimmed = trimComplements(phrase);
    constexpr std::string_view joint = " of ";
    auto found = trimmed.find(joint);
    if (found == std::string_view::npos)
        return lexicalSystem(trimmed);
    auto head = trimmed.substr(0, found);
    auto rest = trimmed.substr(found + joint.size());
    // "Artery of X" names an artery; "Branch of X" is decided by X.
    auto headWord = lastWord(head, head.size());
    if (!headWord.empty() && !isGeneric(headWord)) {
        if (auto system = lexicalSystem(head))
            return system;
    }
    if (auto system = resolve(rest, depth + 1))
        return system;
    return lexicalSystem(head);
}

AnatomySystem system(std::string_view name, std::span<const std::string> ancestorNames)
{
    if (auto found = systemOfName(name))
        return *found;
    for (const auto& ancestor : ancestorNames) {
        if (auto found = systemOfName(ancestor))
            return *found;
    }
    return AnatomySystem::unclassified;
}

BodyRegion region(std::string_view name, std::span<const std::string> ancestorNames)
{
    const auto& rules = regionRules();
    if (!name.empty()) {
        if (auto index = firstRegionRule(name); index < rules.size())
            return rules[index].region;
    }
    // Rule order outranks ancestor order: the earliest rule that any ancestor
    // matches decides, however far up that ancestor is.
    auto best = rules.size();
    for (const auto& ancestor : ancestorNames) {
        if (best == 0)
            break;
        if (!ancestor.empty())
            best = std::min(best, firstRegionRule(ancestor));
    }
    return best < rules.size() ? rules[best].region : BodyRegion::unknown;
}

Laterality laterality(std::string_view name)
{
    if (name.empty())
        return Laterality::unpaired;
    if (rightPattern().search(name))
        return Laterality::right;
    if (leftPattern().search(name))
        return Laterality::left;
    return Laterality::unpaired;
}

} // namespace morvena::AnatomyClassifier
