#include "ui/FoldableBox.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/ResultPage.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>

namespace harrowdale::ui {

TFoldableBox::TFoldableBox(QGroupBox* box, QBoxLayout* row)
    : QObject(box), FBox(box), FRow(row), FButton(new QToolButton(box)), FLine(new QLabel(box))
{
    FButton->setAutoRaise(true);
    FButton->setArrowType(Qt::DownArrow);
    FRow->insertWidget(0, FButton);
    // A long folder must not widen the window: the line is cut at the box's edge, and its
    // hint holds the whole of it.
    FLine->setTextFormat(Qt::PlainText);
    FLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FLine->setVisible(false);
    FRow->addWidget(FLine, 1);
    FRow->getContentsMargins(&FMargins[0], &FMargins[1], &FMargins[2], &FMargins[3]);
    connect(FButton, &QToolButton::clicked, this, [this] { SetFolded(!FFolded); });
}

void TFoldableBox::SetTitle(const QString& title)
{
    FTitle = title;
    if (!FFolded)
        FBox->setTitle(title);
    ShowLine();
}

void TFoldableBox::SetSummary(const QString& summary)
{
    FSummary = summary;
    ShowLine();
}

void TFoldableBox::ShowLine()
{
    const QString line = QString::fromStdString(
        Format(Translate("%s: %s"), FTitle.toStdString(), FSummary.toStdString()));
    FLine->setText(line);
    FLine->setToolTip(line);
}

void TFoldableBox::SetFolded(bool folded)
{
    if (folded == FFolded)
        return;
    FFolded = folded;
    for (int i = 0; i < FRow->count(); ++i)
        if (QWidget* w = FRow->itemAt(i)->widget(); w != nullptr && w != FButton)
            w->setVisible(w == FLine ? folded : !folded);
    FBox->setTitle(folded ? QString() : FTitle);
    FBox->setFlat(folded);
    if (folded)
        FRow->setContentsMargins(0, 0, 0, 0);
    else
        FRow->setContentsMargins(FMargins[0], FMargins[1], FMargins[2], FMargins[3]);
    FButton->setArrowType(folded ? Qt::RightArrow : Qt::DownArrow);
    ApplyTranslation();
    Q_EMIT FoldedChanged(folded);
}

void TFoldableBox::ApplyTranslation()
{
    const QString hint = FFolded ? Tr("Unfold") : Tr("Fold");
    FButton->setToolTip(hint);
    FButton->setAccessibleName(hint);
    ShowLine();
}

} // namespace harrowdale::ui
