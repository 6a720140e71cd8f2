#pragma once

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Setup/SetupCard.h"

#include <vector>

class QLabel;
class QPushButton;

namespace morvena {

class ElidedLabel;
class WrappingLabel;

// The catalog's first dataset offered for download, with its sizes and licence; while
// the catalog is read, a busy line; when it cannot be read, the problem and a retry.
// Follows the model's catalog, its loading and its error.
class CatalogCard : public SetupCard {
    Q_OBJECT

public:
    explicit CatalogCard(AppModel& model, QWidget* parent = nullptr);

private:
    // The values of one layout of the facts: download, on disk, licence.
    using Facts = std::vector<QLabel*>;

    QWidget* makeOffer();
    QWidget* makeFacts(bool horizontal, Facts& facts);
    QWidget* makeLoading();
    QWidget* makeUnreachable();

    void refresh();

    AppModel& model_;
    QWidget* offer_ = nullptr;
    ElidedLabel* entryName_ = nullptr;
    ElidedLabel* entryCounts_ = nullptr;
    Facts wideFacts_;
    Facts narrowFacts_;
    QPushButton* downloadButton_ = nullptr;
    WrappingLabel* entryAttribution_ = nullptr;
    QWidget* loading_ = nullptr;
    QWidget* unreachable_ = nullptr;
    WrappingLabel* problem_ = nullptr;
};

} // namespace morvena
