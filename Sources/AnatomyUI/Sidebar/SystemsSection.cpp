#include "AnatomyUI/Sidebar/SystemsSection.h"

#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"
#include "AnatomyUI/Sidebar/SystemRow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace morvena {

SystemsSection::SystemsSection(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(&model)
{
    auto* layout = ViewText::column(this, 3);
    layout->addLayout(makeButtons());
    rowsBox_ = new QWidget;
    rowsLayout_ = ViewText::column(rowsBox_, 3);
    rowsLayout_->addStretch(1);
    layout->addWidget(SidebarLook::scrolling(rowsBox_, this), 1);
    connect(&model, &AppModel::changed, this, &SystemsSection::refresh);
    rebuildRows();
}

QLayout* SystemsSection::makeButtons()
{
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 2);
    buttons->setSpacing(8);
    auto* all = SidebarLook::textButton("Tutti", this);
    all->setObjectName("showAllSystems");
    connect(all, &QPushButton::clicked, this, [this] {
        if (model_)
            model_->showAllSystems();
    });
    auto* none = SidebarLook::textButton("Nessuno", this);
    none->setObjectName("hideAllSystems");
    connect(none, &QPushButton::clicked, this, [this] {
        for (auto system : allAnatomySystems())
            if (model_)
                model_->setVisible(false, system);
    });
    buttons->addWidget(all);
    buttons->addWidget(none);
    buttons->addStretch(1);
    return buttons;
}

void SystemsSection::refresh(AppModel::Field field)
{
    switch (field) {
    case AppModel::Field::systemCounts:
        rebuildRows();
        break;
    case AppModel::Field::visibleSystems:
    case AppModel::Field::systemOpacity:
        refreshRows();
        break;
    default:
        break;
    }
}

void SystemsSection::rebuildRows()
{
    std::map<AnatomySystem, SystemRow*> kept;
    const auto& counts = model_->systemCounts();
    int position = 0;
    for (auto system : allAnatomySystems()) {
        const auto count = counts.find(system);
        const auto existing = rows_.find(system);
        if (count == counts.end() || count->second < 1)
            continue;
        SystemRow* row = existing != rows_.end() ? existing->second : nullptr;
        if (row) {
            rows_.erase(existing);
            row->refresh();
        } else {
            row = new SystemRow(*model_, system, rowsBox_);
            row->setObjectName(QString("system.") + QString::number(rawValue(system)));
            rowsLayout_->insertWidget(position, row);
        }
        kept.emplace(system, row);
        ++position;
    }
    for (auto& [system, row] : rows_)
        delete row;
    rows_ = std::move(kept);
}

void SystemsSection::refreshRows()
{
    for (auto& [system, row] : rows_)
        row->refresh();
}

} // namespace morvena
