#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QWidget>

#include <string>

class QVBoxLayout;

namespace morvena {

class AnatomyDB;

// The structure in its anatomy: the chain of wholes it is part of and the structures
// related to it, each a row that selects its structure. Hidden when there is neither.
// Follows the selection and the loaded dataset, and reads the database again only
// when the first selected concept or the dataset changed.
class RelationsSection : public QWidget {
    Q_OBJECT

public:
    explicit RelationsSection(AppModel& model, QWidget* parent = nullptr);

private:
    void refresh();
    void showAncestry(const std::vector<TaxonomyNode>& ancestry);
    void showRelated(const std::vector<AnatomyDB::RelatedStructure>& related);

    AppModel& model_;

    // What the section shows now: its concept and database.
    std::string concept_;
    const AnatomyDB* database_ = nullptr;

    QWidget* ancestry_ = nullptr;
    QVBoxLayout* ancestryRows_ = nullptr;
    QWidget* related_ = nullptr;
    QVBoxLayout* relatedRows_ = nullptr;
};

} // namespace morvena
