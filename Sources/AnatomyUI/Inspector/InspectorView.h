#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QScrollArea>

#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QToolButton;
class QVBoxLayout;

namespace morvena {

class AnatomyDB;
class ElidedLabel;
class FitSwitcher;
class WrappingLabel;

// The inspector column: the card of the first selected structure (names, system,
// quick actions, nomenclature, the other selected structures, anatomical and
// clinical texts, part-of ancestry and related structures, the user's note and
// where the content comes from), or with nothing selected the loaded dataset.
// Everything shown is the model's; the view keeps only its widgets.
class InspectorView : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int minimumColumnWidth = 286;

    explicit InspectorView(AppModel& model, QWidget* parent = nullptr);

private:
    // One action of the action row, in both of its forms.
    struct Action {
        QToolButton* titled = nullptr;
        QToolButton* iconOnly = nullptr;
    };

    QWidget* makeEmptyState();
    QWidget* makeHeader();
    QWidget* makeActionRow();
    QWidget* makeActionAlternative(bool titled);
    QWidget* makeNomenclature();
    QWidget* makeMultipleSelection();
    QWidget* makeAnatomy();
    QWidget* makeClinicalNotes();
    QWidget* makeRelations();
    QWidget* makeNote();
    QWidget* makeCoverage();
    QVBoxLayout* section(QWidget*& widget, int spacing, const char* name);
    // A layout for a section's rows, below what it holds, spaced as the section is.
    static QVBoxLayout* rowsBelow(QVBoxLayout& section);

    void modelChanged(AppModel::Field field);
    void refreshAll();
    void refreshCard();
    void refreshHeader(const AnatomyStructure& primary);
    void refreshNomenclature(const AnatomyStructure& primary);
    void refreshMultipleSelection();
    void refreshAnatomy(const AnatomyStructure& primary);
    void refreshClinicalNotes(const AnatomyStructure& primary);
    void refreshCoverage(const AnatomyStructure& primary);
    void refreshEmptyState();
    // Reads the ancestry and the related structures again, only when the primary
    // concept or the loaded dataset changed since the last reading.
    void refreshRelations();
    void refreshBookmark();
    void refreshNoteText();
    void toggleTransparency();

    AppModel& model_;

    // What the relations section shows now: its concept and database.
    std::string relationsConcept_;
    const AnatomyDB* relationsDatabase_ = nullptr;

    // The widgets below are owned by the view.
    QWidget* emptyState_ = nullptr;
    QWidget* datasetInfo_ = nullptr;
    WrappingLabel* datasetName_ = nullptr;
    WrappingLabel* datasetCounts_ = nullptr;
    WrappingLabel* datasetLicense_ = nullptr;
    WrappingLabel* datasetMissing_ = nullptr;
    WrappingLabel* datasetNotes_ = nullptr;
    QWidget* card_ = nullptr;
    WrappingLabel* name_ = nullptr;
    QToolButton* bookmark_ = nullptr;
    QVBoxLayout* systemLine_ = nullptr;
    FitSwitcher* actions_ = nullptr;
    std::vector<Action> actionButtons_;
    QVBoxLayout* nomenclatureRows_ = nullptr;
    QWidget* multiple_ = nullptr;
    QLabel* multipleTitle_ = nullptr;
    QVBoxLayout* multipleRows_ = nullptr;
    QVBoxLayout* anatomyRows_ = nullptr;
    QLabel* anatomyMissing_ = nullptr;
    QWidget* clinical_ = nullptr;
    WrappingLabel* clinicalText_ = nullptr;
    QWidget* relations_ = nullptr;
    QWidget* ancestry_ = nullptr;
    QVBoxLayout* ancestryRows_ = nullptr;
    QWidget* related_ = nullptr;
    QVBoxLayout* relatedRows_ = nullptr;
    QPlainTextEdit* noteEditor_ = nullptr;
    QWidget* coverageLine_ = nullptr;
    WrappingLabel* coverageText_ = nullptr;
    WrappingLabel* attribution_ = nullptr;
};

} // namespace morvena
