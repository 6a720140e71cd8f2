#include "AnatomyUI/Look/MissingRow.h"

#include "AnatomyUI/Look/RowLabel.h"
#include "AnatomyUI/Look/Theme.h"

#include <QHBoxLayout>
#include <QLabel>

namespace morvena {

MissingRow::MissingRow(const QString& label, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(RowLabel::make(label, this));
    auto* missing = new QLabel("non presente nei dati", this);
    QFont font = Theme::font(Theme::TextStyle::body);
    font.setPixelSize(10);
    missing->setFont(font);
    Theme::setForeground(*missing, Theme::Foreground::quaternary);
    row->addWidget(missing);
    row->addStretch();
}

} // namespace morvena
