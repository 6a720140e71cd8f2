#include "GLModel.h"
#include "PixelProbe.h"
#include "ViewTestSupport.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyUI/Inspector/InspectorView.h"
#include "AnatomyUI/Layout/FitSwitcher.h"
#include "AnatomyUI/Look/FieldRow.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Model/SearchHitListModel.h"
#include "AnatomyUI/Window/WindowTitle.h"

#include <QFrame>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>

using namespace morvena;
using namespace morvena::test;

namespace {

constexpr const char* primaryID = "FMA100";
constexpr const char* bareID = "FMA200"; // no texts, no Latin or Italian name
constexpr const char* emptyTextsID = "FMA300"; // one empty text, empty clinical notes
constexpr const char* taggedID = "FMA400"; // a name that looks like markup
constexpr const char* packCardID = "FMA500"; // no dataset name, as a card made from the pack

// The cards of the inspector's cases written over the rows of an installed
// dataset, with nine part-of ancestors of the primary structure and 20
// relations of it, 3 of them part-of.
void writeCards(const std::filesystem::path& database)
{
    AnatomyDB db(database, AnatomyDB::OpenMode::readWriteExisting);
    auto card = [&db](const char* conceptID) { return *db.structure(conceptID); };
    auto primary = card(primaryID);
    primary.nameIT = "Femore";
    primary.nameLA = "Os femoris";
    primary.nameEN = "Femur";
    primary.synonyms = {"Osso della coscia", "Femur bone"};
    primary.region = BodyRegion::lowerLimb;
    primary.laterality = Laterality::right;
    primary.descriptionText = "Osso lungo della coscia.";
    primary.function = "Sostiene il peso del corpo.";
    primary.clinicalNotes = "Frattura del collo del femore nell'anziano.";
    primary.contentSource = FieldSource::curated;
    auto bare = card(bareID);
    bare.nameIT.reset();
    auto emptyTexts = card(emptyTextsID);
    emptyTexts.nameLA = "Patella";
    emptyTexts.function = "";
    emptyTexts.clinicalNotes = "";
    auto tagged = card(taggedID);
    tagged.nameIT = "<b>x</b>";
    auto packCard = card(packCardID);
    packCard.datasetName = "";
    const AnatomyStructure rows[] = {primary, bare, emptyTexts, tagged, packCard};

    std::vector<TaxonomyNode> ancestors;
    std::vector<AnatomyDB::TaxonomyEdge> edges;
    std::string child = primaryID;
    for (int level = 1; level <= 9; ++level) {
        // The nearest ancestor is a structure of its own, so a click can select it.
        const std::string id = level == 1 ? emptyTextsID : "FMA900" + std::to_string(level);
        ancestors.push_back({id, "Level " + std::to_string(level), "Livello " + std::to_string(level),
            level == 1, level == 1 ? 1 : level, AnatomySystem::skeletal});
        edges.push_back({id, child, "partOf"});
        child = id;
    }
    std::vector<AnatomyRelation> relations;
    std::vector<TaxonomyNode> others;
    for (int i = 0; i < 20; ++i) {
        const bool partOf = i % 7 == 0; // rows 0, 7 and 14
        const std::string other = i == 1 ? bareID : "FMA800" + std::to_string(i);
        if (i != 1)
            others.push_back({other, "Related " + std::to_string(i), "Correlata " + std::to_string(i), false,
                0, AnatomySystem::nervous});
        relations.push_back({primaryID, other, partOf ? RelationKind::partOf : RelationKind::innervates,
            FieldSource::dataset});
    }
    db.transaction([&] {
        db.insert(std::span<const AnatomyStructure>(rows));
        db.insert(std::span<const TaxonomyNode>(ancestors));
        db.insert(std::span<const TaxonomyNode>(others));
        db.insertTaxonomy(edges);
        db.insert(std::span<const AnatomyRelation>(relations));
    });
}

struct Inspector {
    Inspector()
    {
        auto dataset = boxDataset("carte",
            {{primaryID, AnatomySystem::skeletal}, {bareID, AnatomySystem::muscular},
                {emptyTextsID, AnatomySystem::skeletal}, {taggedID, AnatomySystem::nervous},
                {packCardID, AnatomySystem::skeletal}});
        fixture.install(dataset);
        writeCards(dataset.folder(fixture.sandbox.dataHome) / "anatomy.sqlite");
        auto& model = fixture.create();
        model.load("carte");
        EXPECT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
        view = std::make_unique<InspectorView>(model);
        view->resize(322, 1400);
        view->show();
        QApplication::processEvents();
    }

    AppModel& model() { return *fixture.model; }
    void select(const char* conceptID)
    {
        model().selectConcept(conceptID, true);
        QApplication::processEvents();
    }
    std::vector<QWidget*> rows(const char* name) const
    {
        std::vector<QWidget*> found;
        for (auto* row : view->findChildren<QWidget*>(QString::fromUtf8(name)))
            if (row->isVisibleTo(view.get()))
                found.push_back(row);
        std::sort(found.begin(), found.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        return found;
    }
    QToolButton* action(const QString& help) const
    {
        auto* shownRow = view->findChild<FitSwitcher*>("actions")->current();
        for (auto* button : shownRow->findChildren<QToolButton*>())
            if (button->toolTip() == help && button->isVisibleTo(shownRow))
                return button;
        return nullptr;
    }
    void keepPicture(const std::string& name)
    {
        keepLightAndDark(name, {322, 1100}, [this] { return std::make_unique<InspectorView>(model()); });
    }

    GLModel fixture;
    std::unique_ptr<InspectorView> view;
};

int containing(const QStringList& texts, const QString& part)
{
    return static_cast<int>(
        std::count_if(texts.begin(), texts.end(), [&](const QString& text) { return text.contains(part); }));
}

} // namespace

TEST(InspectorView, sectionsFollowTheCard)
{
    Inspector inspector;
    const QString sentence
        = "Per questa struttura il dataset fornisce nomenclatura e geometria. La scheda descrittiva "
          "non è ancora disponibile.";
    struct Case {
        const char* conceptID;
        std::vector<const char*> present;
        std::vector<const char*> absent;
        int missingRows;
        bool sentenceShown;
        bool clinicalShown;
    };
    const Case cases[] = {
        {primaryID,
            {"Femore", "Os femoris", "Femur", "Osso della coscia, Femur bone", "FMA100", "Arto inferiore",
                "Destro", "Osso lungo della coscia.", "Sostiene il peso del corpo.",
                "Frattura del collo del femore nell'anziano.",
                "Nomenclatura e scheda verificate; geometria da Dataset di prova.", "prova"},
            {"Sinistro"}, 0, false, true},
        {bareID, {"box FMA200", "Nomenclatura e geometria da Dataset di prova."}, {"Destro", "Sinistro"}, 2,
            true, false},
        // The database reads an empty text as none: the sentence shows, the clinical notes do not.
        {emptyTextsID, {"Patella"}, {}, 1, true, false},
        {packCardID, {"Nomenclatura e geometria da Dataset di prova."}, {"Nomenclatura e geometria da ."}, 2,
            true, false},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.conceptID);
        inspector.select(expected.conceptID);
        const auto texts = shownTexts(*inspector.view);
        for (const char* text : expected.present)
            EXPECT_TRUE(texts.contains(QString::fromUtf8(text)))
                << text << " in " << texts.join('|').toStdString();
        for (const char* text : expected.absent)
            EXPECT_FALSE(texts.contains(QString::fromUtf8(text))) << text;
        EXPECT_EQ(containing(texts, "non presente nei dati"), expected.missingRows);
        EXPECT_EQ(texts.contains(sentence), expected.sentenceShown);
        EXPECT_EQ(shown(*inspector.view, "clinicalNotes"), expected.clinicalShown);
        EXPECT_FALSE(shown(*inspector.view, "multipleSelection"));
        EXPECT_FALSE(shown(*inspector.view, "emptyState"));
    }
    inspector.select(primaryID);
    inspector.keepPicture("inspector-card");

    inspector.model().selectConcept(bareID, false);
    QApplication::processEvents();
    EXPECT_TRUE(shownTexts(*inspector.view).contains("SELEZIONE MULTIPLA (2)"));

    inspector.model().clearSelection();
    QApplication::processEvents();
    EXPECT_TRUE(shown(*inspector.view, "emptyState"));
    EXPECT_TRUE(shownTexts(*inspector.view).contains("DATASET ATTIVO"));
    inspector.keepPicture("inspector-empty");
}

TEST(InspectorView, relationsShowSixIndentedAncestorsAndTwelveRelatedRowsThatSelect)
{
    Inspector inspector;
    inspector.select(primaryID);
    const auto ancestors = inspector.rows("ancestorRow");
    ASSERT_EQ(ancestors.size(), 6u);
    for (std::size_t position = 0; position < ancestors.size(); ++position) {
        auto* arrow = ancestors[position]->findChildren<QLabel*>().value(0);
        ASSERT_TRUE(arrow);
        EXPECT_EQ(arrow->x(), 7 * static_cast<int>(position)) << position;
        const auto texts = shownTexts(*ancestors[position]);
        EXPECT_TRUE(texts.contains(QStringLiteral("Livello %1").arg(position + 1)));
        // Level 1 has one descendant with a mesh, level 2 two.
        EXPECT_EQ(texts.contains(QStringLiteral("%1").arg(position + 1)), position >= 1) << position;
    }
    const auto related = inspector.rows("relatedRow");
    ASSERT_EQ(related.size(), 12u);
    QStringList names;
    for (auto* row : related) {
        const auto texts = shownTexts(*row);
        EXPECT_TRUE(texts.contains("Innerva"));
        names << texts.last();
        // The kind's pill keeps to its text and the name follows it, however wide the row.
        const auto labels = row->findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 2);
        const QRect pill = labels[0]->parentWidget()->geometry();
        EXPECT_LE(pill.width(), labels[0]->sizeHint().width() + 8);
        EXPECT_LE(labels[1]->x() - pill.right(), 8);
    }
    QStringList expected; // the first 12 in the database's order, part-of relations left out
    for (const auto& relation : inspector.model().related(primaryID))
        if (relation.kind != RelationKind::partOf && expected.size() < 12)
            expected << QString::fromStdString(relation.name);
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(names.contains("box FMA200"));
    inspector.keepPicture("inspector-relations");

    QTest::mouseClick(related.front(), Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_EQ(inspector.model().selection().size(), 1u);
    EXPECT_EQ(inspector.model().selection()[0].conceptID, bareID);
    ASSERT_EQ(inspector.rows("relatedRow").size(), 1u); // the relation seen from its other end
    EXPECT_TRUE(shownTexts(*inspector.rows("relatedRow").front()).contains("Femore"));

    inspector.select(primaryID);
    QTest::mouseClick(inspector.rows("ancestorRow").front(), Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_EQ(inspector.model().selection().size(), 1u);
    EXPECT_EQ(inspector.model().selection()[0].conceptID, emptyTextsID);
}

// The toggle reads the structure's own opacity: a bone faded with its system by
// the muscles preset still turns transparent, then opaque, on the next press.
TEST(InspectorView, transparencyTogglesOnTheStructuresOwnOpacity)
{
    Inspector inspector;
    auto& model = inspector.model();
    inspector.select(primaryID);
    const auto index = *model.selection()[0].meshIndex;
    model.apply(SystemPreset::muscolare);
    ASSERT_FLOAT_EQ(model.structureOpacity(index), 0.55f);

    struct Case {
        std::optional<float> own;
        std::optional<float> after;
    };
    const Case cases[] = {
        {std::nullopt, 0.35f},
        {0.35f, std::nullopt}, // 1.0 removes the structure's own value
        {0.9f, 0.35f},
        {0.89f, std::nullopt},
        {0.0f, std::nullopt},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.own ? *row.own : -1);
        model.setStructureOpacity(row.own.value_or(1.0f), index);
        ASSERT_EQ(model.ownStructureOpacity(index), row.own);
        auto* button = inspector.action("Rendi trasparente la struttura");
        ASSERT_TRUE(button);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(model.ownStructureOpacity(index), row.after);
    }
}

TEST(InspectorView, bookmarkIconAndNoteEditingKeepTheRelationRows)
{
    Inspector inspector;
    auto& model = inspector.model();
    inspector.select(primaryID);
    const auto relatedBefore = inspector.rows("relatedRow");
    const auto ancestorsBefore = inspector.rows("ancestorRow");
    auto* bookmark = inspector.view->findChild<QToolButton*>("bookmark");
    ASSERT_TRUE(bookmark);
    const auto iconImage = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage(); };

    QTest::mouseClick(bookmark, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(model.primaryIsBookmarked());
    EXPECT_TRUE(bookmark->property("bookmarked").toBool());
    const auto filled = iconImage(bookmark->icon());
    QTest::mouseClick(bookmark, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(model.primaryIsBookmarked());
    EXPECT_FALSE(bookmark->property("bookmarked").toBool());
    EXPECT_EQ(bookmark->toolTip(), "Aggiungi ai segnalibri");

    auto* editor = inspector.view->findChild<QPlainTextEdit*>("noteEditor");
    ASSERT_TRUE(editor);
    editor->setFocus();
    const QString typed = QStringLiteral("Trenta caratteri di prova!!!!!");
    ASSERT_EQ(typed.size(), 30);
    QTest::keyClicks(editor, typed);
    QApplication::processEvents();
    EXPECT_EQ(model.noteDraft(), typed.toStdString());
    EXPECT_EQ(editor->toPlainText(), typed);
    EXPECT_EQ(editor->textCursor().position(), 30);
    EXPECT_EQ(inspector.rows("relatedRow"), relatedBefore);
    EXPECT_EQ(inspector.rows("ancestorRow"), ancestorsBefore);
    EXPECT_NE(iconImage(bookmark->icon()), filled);

    // The note the model holds reaches the editor; the buttons never take the keyboard.
    model.setNoteDraft("Altro testo");
    EXPECT_EQ(editor->toPlainText(), "Altro testo");
    EXPECT_EQ(bookmark->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(inspector.action("Centra la struttura")->focusPolicy(), Qt::NoFocus);
}

// Section titles, field labels, the missing remark and the divider each paint at their
// strength over the column's background, and nowhere at full strength, in both looks.
TEST(InspectorView, textLevelsPaintAtTheirStrengthsInBothAppearances)
{
    Inspector inspector;
    inspector.select(bareID);
    using Level = Theme::Foreground;
    const std::map<QString, Level> levels {{"NOMENCLATURA", Level::secondary}, {"ITALIANO", Level::tertiary},
        {"non presente nei dati", Level::quaternary}, {"(divider)", Level::quaternary}};
    for (auto appearance : {Appearance::light, Appearance::dark}) {
        applyAppearance(appearance);
        InspectorView view(inspector.model());
        view.resize(322, 1100);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view, hangDeadlineMS));
        const PixelProbe probe(view.grab().toImage());
        const QPalette palette = Theme::palette(appearance);
        int probed = 0;
        for (auto* frame : view.findChildren<QFrame*>()) {
            auto* label = qobject_cast<QLabel*>(frame);
            const auto found = levels.find(label ? label->text() : QString("(divider)"));
            if (!frame->isVisible() || found == levels.end()
                || (!label && frame->frameShape() != QFrame::HLine))
                continue;
            // The text's colour at its strength, over the base: greys in both appearances.
            const QColor text = Theme::foreground(palette, found->second),
                         base = palette.color(QPalette::Base);
            const int grey = qRound(base.red() + (text.red() - base.red()) * text.alphaF());
            const QRect area(frame->mapTo(&view, QPoint(0, 0)), frame->size());
            EXPECT_GT(probe.near(area, QColor(grey, grey, grey), 12), 0) << found->first.toStdString();
            EXPECT_EQ(probe.near(area, palette.color(QPalette::Text), 40), 0) << found->first.toStdString();
            ++probed;
        }
        EXPECT_GE(probed, 4);
    }
    applyAppearance(Appearance::light);
}

// The action row itself is given less than its titled form needs, as a narrow
// column does with the shared look's button sizes.
TEST(InspectorView, aNarrowColumnShowsIconsOnlyAndKeepsTheHelp)
{
    Inspector inspector;
    inspector.select(primaryID);
    // The column's default width keeps the titles, even beside a scroll bar.
    inspector.view->resize(322, 300);
    QApplication::processEvents();
    EXPECT_EQ(inspector.action("Centra la struttura")->text(), "Centra");
    auto* actions = inspector.view->findChild<FitSwitcher*>("actions");
    const int titledWidth = actions->sizeHint().width();
    actions->resize(titledWidth, actions->height());
    EXPECT_EQ(inspector.action("Centra la struttura")->text(), "Centra");

    actions->resize(titledWidth - 1, actions->height());
    for (const char* help :
        {"Centra la struttura", "Mostra solo questa struttura", "Rendi trasparente la struttura"}) {
        auto* button = inspector.action(QString::fromUtf8(help));
        ASSERT_TRUE(button) << help;
        EXPECT_TRUE(button->text().isEmpty());
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }
    actions->resize(titledWidth, actions->height());
    EXPECT_EQ(inspector.action("Mostra solo questa struttura")->text(), "Isola");
}

TEST(InspectorView, aNameThatLooksLikeMarkupShowsItsTags)
{
    Inspector inspector;
    inspector.select(taggedID);
    auto* name = inspector.view->findChild<QLabel*>("structureName");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->text(), "<b>x</b>");
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
}

namespace {

std::string letters(std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += static_cast<char>('a' + i % 26);
    return text;
}

std::string repeated(std::string_view piece, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

} // namespace

// Names from someone else's file: one word of thousands of letters, one character of
// thousands of combining marks, characters that show nothing. The card shows each
// cleaned and cut, the title bar cuts it further, and the card's title breaks it once
// for each width a layout asks about.
TEST(InspectorView, namesAreCleanedCutAndBrokenOncePerWidth)
{
    const std::string accent = "\u0301";
    const std::string marks = "m" + repeated(accent, 200000);
    const std::string english = "nome inglese";
    struct Case {
        std::string conceptID;
        std::optional<std::string> nameIT; // the English name is `english` but where given
        std::string shown;
        std::optional<std::string> title; // where the title bar cuts more than the card
        std::optional<std::string> nameEN = std::nullopt;
    };
    const Case cases[] = {
        {"L10K", letters(10000), letters(300) + "…", letters(80) + "…"},
        {"L200K", letters(200000), letters(300) + "…", letters(80) + "…"},
        {"L300", letters(300), letters(300), letters(80) + "…"},
        // One character: cut inside it, since it alone is longer. Its ID is as long.
        {marks, marks, "m" + repeated(accent, 299) + "…", std::nullopt},
        // 301 code points in characters of two: the cut falls before the last whole one.
        {"ACCENTI", "a" + repeated("e\u0301", 150), "a" + repeated("e\u0301", 149) + "…",
            "a" + repeated("e\u0301", 79) + "…"},
        {"FORMATO", "Fe\u00admo\u200bre\u2060 de\ufeffstro\u2064\U0001d173\U000e0001", "Femore destro",
            std::nullopt},
        {"IGNORABILI", "Ti\u034fbia\u17b4\ufff0\u180e", "Tibia", std::nullopt},
        {"SELETTORI", "\u845b\U000e0100 \u1820\u180b cuore \u2764\ufe0f",
            "\u845b\U000e0100 \u1820\u180b cuore \u2764\ufe0f", std::nullopt},
        {"LATINO", "\u200csini\u200dstro\u200c", "sinistro", std::nullopt},
        {"PERSIANO", "\u0645\u06cc\u200c\u062e\u0648\u0627\u0647\u0645",
            "\u0645\u06cc\u200c\u062e\u0648\u0627\u0647\u0645", std::nullopt},
        {"DEVANAGARI", "\u0915\u094d\u200d\u0937", "\u0915\u094d\u200d\u0937", std::nullopt},
        {"DUE_SCRITTURE", "\u200c\u0628\u200d\u05d0", "\u0628\u05d0", std::nullopt},
        {"EMOJI",
            "\U0001f469\u200d\U0001f4bb \U0001f469\U0001f3fd\u200d\U0001f4bb "
            "\U0001f3f3\ufe0f\u200d\U0001f308",
            "\U0001f469\u200d\U0001f4bb \U0001f469\U0001f3fd\u200d\U0001f4bb "
            "\U0001f3f3\ufe0f\u200d\U0001f308",
            std::nullopt},
        {"EMOJI_LETTERA", "\U0001f469\u200da\u200d\U0001f469", "\U0001f469a\U0001f469", std::nullopt},
        {"SCOZIA", "\U0001f3f4\U000e0067\U000e0062\U000e0073\U000e0063\U000e0074\U000e007f",
            "\U0001f3f4\U000e0067\U000e0062\U000e0073\U000e0063\U000e0074\U000e007f", std::nullopt},
        {"ETICHETTE", "a\U000e0067\U000e007f b\U0001f3f3\U000e0067", "a b\U0001f3f3", std::nullopt},
        {"SEPARATORI", "Osso\u2028ioide\u2029destro", "Osso ioide destro", std::nullopt},
        {"HANGUL", "\u3164\uac00\uffa0\ub098 \u1100\u1160 \u115f\u1161",
            "\uac00\ub098 \u1100\u1160 \u115f\u1161", std::nullopt},
        {"RIEMPITIVI", "a\u115fb\u1160c\u115f\u1160d", "abcd", std::nullopt},
        // Left blank, the Italian name is missing and the English one shows.
        {"BIANCO", "  \u2800 \u200b\u3000", english, std::nullopt},
        {"SOLO_RIEMPITIVI", "\u115f\u1160\u3164\uffa0", english, std::nullopt},
        // Nothing of either name shows: the ID stands for them.
        {"INGLESE_BIANCO", std::nullopt, "INGLESE_BIANCO", std::nullopt, "\u2800\u00ad "},
    };
    TestDataset dataset("nomi");
    for (const auto& c : cases) {
        auto& added = dataset.add(c.conceptID, c.nameEN.value_or(english), AnatomySystem::skeletal,
            pixelBox(c.conceptID, 4, 20, 10, 40));
        added.nameIT = c.nameIT;
    }
    GLModel fixture;
    fixture.install(dataset);
    auto& model = fixture.create();
    model.load("nomi");
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    InspectorView view(model);
    view.resize(322, 900);
    view.show();
    QApplication::processEvents();
    auto* title = view.findChild<WrappingLabel*>("structureName");
    ASSERT_TRUE(title);
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.conceptID.substr(0, 20));
        model.selectConcept(c.conceptID, true);
        QApplication::processEvents();
        ASSERT_EQ(model.selection().size(), 1u);
        EXPECT_EQ(model.primary()->displayName(), c.shown);
        EXPECT_EQ(title->fullText(), QString::fromStdString(c.shown));
        EXPECT_EQ(WindowTitle::title(model), QString::fromStdString(c.title.value_or(c.shown)));
        EXPECT_LE(WindowTitle::subtitle(model).size(), 340);
        EXPECT_EQ(shownTexts(view).contains(QString::fromStdString(c.conceptID)), c.conceptID.size() < 300);

        // Widths no layout has asked about; a name like the card before keeps its breaks.
        const int breaksBefore = title->breaks();
        for (int round = 0; round < 2; ++round)
            for (int width : {61, 97, 151})
                title->heightForWidth(width + row);
        EXPECT_EQ(title->breaks() - breaksBefore, 3);
        ++row;
    }
}

// IDs of a dataset imported while they could hold any character of a name: drawn in
// the card's ID row and the title bar as one line of what shows; a name that shows
// nothing gives way to that ID, or where it shows nothing too to "Struttura senza
// nome", in the card, the title bar and a list's row. The ID itself stays as stored,
// which is what selections and bookmarks find the structure by.
TEST(InspectorView, idsAndNamesThatShowNothingOrBreakLines)
{
    const std::string invisible = "\u200b\u2060\ufeff";
    struct Case {
        std::string conceptID;
        std::string nameEN;
        std::string shown;
        std::optional<std::string> idRow; // none: no ID row
    };
    const Case cases[] = {
        {"osso\u2028ioide\u2029destro", "Osso\u2028ioide", "Osso ioide", "osso ioide destro"},
        {"fe\u200bmo\u200dre\ufeff_1", "Femore", "Femore", "femore_1"},
        {"INVISIBILE", invisible, "INVISIBILE", "INVISIBILE"},
        {"tibia\u2028sinistra", invisible, "tibia sinistra", "tibia sinistra"},
        {"GIUNTORI", repeated("\u200d", 350000), "GIUNTORI", "GIUNTORI"},
        {invisible, invisible, "Struttura senza nome", std::nullopt},
        {" \u2028\u2800", "\u2029", "Struttura senza nome", std::nullopt},
    };
    TestDataset dataset("invisibili");
    for (const auto& c : cases)
        dataset.add(c.conceptID, c.nameEN, AnatomySystem::skeletal, pixelBox(c.conceptID, 4, 20, 10, 40));
    GLModel fixture;
    fixture.install(dataset);
    auto& model = fixture.create();
    model.load("invisibili");
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    InspectorView view(model);
    view.resize(322, 900);
    view.show();
    QApplication::processEvents();
    auto* header = view.findChild<WrappingLabel*>("structureName");
    ASSERT_TRUE(header);
    SearchHitListModel bookmarks;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown + " " + c.idRow.value_or("-"));
        model.selectConcept(c.conceptID, true);
        QApplication::processEvents();
        ASSERT_EQ(model.selection().size(), 1u);
        EXPECT_EQ(model.primary()->conceptID, c.conceptID);
        EXPECT_EQ(header->fullText().toStdString(), c.shown);
        EXPECT_EQ(WindowTitle::title(model).toStdString(), c.shown);
        EXPECT_EQ(
            WindowTitle::subtitle(model).toStdString(), c.idRow ? "Scheletro · " + *c.idRow : "Scheletro");
        std::optional<std::string> idRow;
        for (auto* row : view.findChildren<FieldRow*>())
            if (row->isVisibleTo(&view) && row->labelText() == "IDENTIFICATIVO")
                idRow = row->valueText().toStdString();
        EXPECT_EQ(idRow, c.idRow);

        model.toggleBookmark();
        ASSERT_EQ(model.bookmarks().size(), 1u);
        EXPECT_EQ(model.bookmarks().front().conceptID, c.conceptID);
        bookmarks.setHits(model.bookmarks());
        EXPECT_EQ(bookmarks.index(0).data(Qt::DisplayRole).toString().toStdString(), c.shown);
        EXPECT_EQ(bookmarks.index(0).data(Qt::ToolTipRole).toString().toStdString(), c.shown);
        model.toggleBookmark();
        EXPECT_TRUE(model.bookmarks().empty());
    }
}
