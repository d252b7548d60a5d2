#include "ui/ScanInvite.h"

#include "ui/ResultPage.h"
#include "ui/TreemapCanvas.h"

#include <QAction>
#include <QEvent>
#include <QPushButton>

namespace harrowdale::ui {

TScanInvite::TScanInvite(QAction* scan, const std::vector<TTreemapCanvas*>& canvases,
                         QObject* parent)
    : QObject(parent), FScan(scan)
{
    for (TTreemapCanvas* canvas : canvases) {
        // A button of its own, not one more button of the command: the toolbar's is the
        // command's one button. Its text alone: the toolbar's pictures are drawn for it.
        auto* button = new QPushButton(canvas);
        connect(button, &QPushButton::clicked, scan, &QAction::trigger);
        connect(scan, &QAction::changed, button,
                [button, scan] { button->setEnabled(scan->isEnabled()); });
        QWidget::setTabOrder(canvas, button);
        canvas->installEventFilter(this);
        FInvites.push_back({canvas, button});
        button->show();
    }
    ApplyTranslation();
}

void TScanInvite::Dismiss()
{
    for (const TInvite& i : FInvites) {
        i.Canvas->removeEventFilter(this);
        delete i.Button;
        i.Canvas->SetPlaceholderText(NoMapText());
    }
    FInvites.clear();
}

QPushButton* TScanInvite::ButtonOf(const TTreemapCanvas* canvas) const
{
    for (const TInvite& i : FInvites)
        if (i.Canvas == canvas)
            return i.Button;
    return nullptr;
}

void TScanInvite::ApplyTranslation()
{
    for (const TInvite& i : FInvites) {
        i.Canvas->SetPlaceholderText(
            Tr("No scan yet. Choose All Drives or a folder above, then start the scan."));
        i.Button->setText(FScan->iconText());
        i.Button->setToolTip(FScan->toolTip());
        i.Button->adjustSize();
        Place(i);
    }
}

void TScanInvite::Place(const TInvite& invite) const
{
    // Centred, below the text that the canvas draws across its middle.
    const QSize size = invite.Button->sizeHint();
    const QRect area = invite.Canvas->rect();
    invite.Button->setGeometry(area.center().x() - size.width() / 2,
                               area.center().y() + invite.Canvas->fontMetrics().height(),
                               size.width(), size.height());
}

bool TScanInvite::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize)
        for (const TInvite& i : FInvites)
            if (i.Canvas == watched)
                Place(i);
    return QObject::eventFilter(watched, event);
}

} // namespace harrowdale::ui
