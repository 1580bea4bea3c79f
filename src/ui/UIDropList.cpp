#include "ui/UIDropList.h"
#include "ui/UIRender.h"
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>

namespace {
constexpr int kIdRole = Qt::UserRole;

// The popup list: the current row follows the mouse; a release over an
// enabled row or Return chooses it; Escape or a press outside closes it.
class CDropListWidget : public QListWidget {
public:
    CDropListWidget()
    {
        setWindowFlags(Qt::Popup);
        // The press that closes the list is not also a press on the combo
        // below, which would open it again.
        setAttribute(Qt::WA_NoMouseReplay);
        setObjectName(QStringLiteral("dropList"));
        setMouseTracking(true);
        setUniformItemSizes(true);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setFrameShape(QFrame::Box);
    }

    UINT chosen = 0;
    QEventLoop* loop = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Choose(currentItem());
            return;
        case Qt::Key_Escape:
            close();
            return;
        default:
            QListWidget::keyPressEvent(event);
        }
    }
    // Mouse events come from the list's rows or, outside it, from the
    // popup itself: both are read in screen coordinates.
    void mouseMoveEvent(QMouseEvent* event) override
    {
        QListWidgetItem* item = RowAt(event->globalPosition().toPoint());
        if (item && (item->flags() & Qt::ItemIsEnabled) && item != currentItem()) setCurrentItem(item);
        event->accept();
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (!rect().contains(mapFromGlobal(event->globalPosition().toPoint()))) {
            close();
            return;
        }
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        event->accept();
        if (QListWidgetItem* item = RowAt(event->globalPosition().toPoint())) Choose(item);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
    void hideEvent(QHideEvent* event) override
    {
        QListWidget::hideEvent(event);
        if (loop) loop->quit();
    }

private:
    QListWidgetItem* RowAt(QPoint global) const
    {
        const QPoint at = viewport()->mapFromGlobal(global);
        return viewport()->rect().contains(at) ? itemAt(at) : nullptr;
    }
    void Choose(QListWidgetItem* item)
    {
        if (!item || !(item->flags() & Qt::ItemIsEnabled)) return;
        chosen = item->data(kIdRole).toUInt();
        close();
    }
};

// Where the list goes: below the combo, else above the point when the
// screen has no room below, kept inside the screen.
QPoint PlaceOnScreen(QPoint below, QSize size)
{
    QScreen* screen = QGuiApplication::screenAt(below);
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return below;
    const QRect room = screen->availableGeometry();
    QPoint at = below;
    if (at.y() + size.height() > room.bottom() + 1) at.setY(std::max(room.top(), room.bottom() + 1 - size.height()));
    if (at.x() + size.width() > room.right() + 1) at.setX(std::max(room.left(), room.right() + 1 - size.width()));
    return at;
}
}  // namespace

UINT RunDropList(const CMenu& list, POINT below)
{
    CDropListWidget popup;
    int current = -1;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        const CMenuItem* entry = list.GetItem(static_cast<UINT>(i), EMenuBy::Position);
        if (entry->separator || entry->popup) continue;
        auto* item = new QListWidgetItem(
            QString::fromStdWString(entry->marked ? WithoutMnemonicMarks(entry->text) : entry->text), &popup);
        item->setData(kIdRole, entry->id);
        if (!entry->enabled) item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
        if (entry->checked && current < 0) current = popup.count() - 1;
    }
    if (popup.count() == 0) return 0;

    // Rows a little higher than the text, as a menu's; the list no higher
    // than its rows and at least as wide as the combo.
    const int rowHeight = popup.fontMetrics().height() + 8;
    const int textWidth = popup.sizeHintForColumn(0);
    for (int i = 0; i < popup.count(); ++i) popup.item(i)->setSizeHint(QSize(textWidth, rowHeight));
    const int rows = list.GetVisibleRows() > 0 ? std::min(list.GetVisibleRows(), popup.count()) : popup.count();
    const int frame = 2 * popup.frameWidth();
    const int scrollBar = popup.count() > rows ? popup.verticalScrollBar()->sizeHint().width() : 0;
    int width = std::max(list.GetListWidth(), textWidth + frame + scrollBar + 4);
    if (QScreen* screen = QGuiApplication::screenAt(QPoint(below.x, below.y)))
        width = std::min(width, screen->availableGeometry().width());
    const QSize size(width, rows * rowHeight + frame);
    popup.resize(size);
    popup.move(PlaceOnScreen(QPoint(below.x, below.y), size));

    // The popup closes itself (a choice, Escape, a press outside): its own
    // loop runs until then.
    QEventLoop loop;
    popup.loop = &loop;
    popup.show();
    popup.setFocus();
    if (current >= 0) {
        popup.setCurrentRow(current);
        popup.scrollToItem(popup.item(current), QAbstractItemView::PositionAtCenter);
    }
    if (popup.isVisible()) loop.exec();
    popup.loop = nullptr;
    return popup.chosen;
}
