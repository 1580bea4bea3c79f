#include "ui/desktop/DropTarget.h"
#include "ui/desktop/MimeNames.h"
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QWidget>

DWORD ChooseDropEffect(bool accepted, WPARAM keyState, DWORD allowed)
{
    if (!accepted) return DROPEFFECT_NONE;
    if ((keyState & MK_CONTROL) && (allowed & DROPEFFECT_COPY)) return DROPEFFECT_COPY;
    if ((keyState & MK_SHIFT) && (allowed & DROPEFFECT_MOVE)) return DROPEFFECT_MOVE;
    if (allowed & DROPEFFECT_MOVE) return DROPEFFECT_MOVE;
    if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
    return DROPEFFECT_NONE;
}

namespace {
DWORD FromQt(Qt::DropActions actions)
{
    DWORD d = 0;
    if (actions & Qt::CopyAction) d |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction) d |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction) d |= DROPEFFECT_LINK;
    return d;
}

Qt::DropAction ToQt(DWORD effect)
{
    if (effect == DROPEFFECT_COPY) return Qt::CopyAction;
    if (effect == DROPEFFECT_MOVE) return Qt::MoveAction;
    if (effect == DROPEFFECT_LINK) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

WPARAM KeyState(Qt::KeyboardModifiers mods)
{
    WPARAM k = 0;
    if (mods & Qt::ControlModifier) k |= MK_CONTROL;
    if (mods & Qt::ShiftModifier) k |= MK_SHIFT;
    return k;
}
}  // namespace

class CDropTarget::CFilter : public QObject {
public:
    CFilter(QWidget* widget, IDropSink* sink) : m_widget(widget), m_sink(sink)
    {
        if (widget) {
            widget->setAcceptDrops(true);
            widget->installEventFilter(this);
        }
    }
    ~CFilter() override
    {
        if (m_widget) m_widget->removeEventFilter(this);
    }
    DWORD lastEffect = DROPEFFECT_NONE;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_widget) return false;
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* e = static_cast<QDragMoveEvent*>(event);
            Answer(e, Accepts(e->mimeData()));
            return true;
        }
        case QEvent::DragLeave:
            return true;
        case QEvent::Drop: {
            auto* e = static_cast<QDropEvent*>(event);
            const QMimeData* data = e->mimeData();
            if (!Answer(e, Accepts(data))) return true;
            QPoint p = e->position().toPoint();
            POINT pt;
            pt.x = p.x();
            pt.y = p.y();
            std::vector<std::wstring> files = LocalFilesOf(data);
            if (!files.empty() && m_sink->AcceptsFiles()) m_sink->OnFilesDropped(files, pt);
            else m_sink->OnTextDropped(PlainTextOf(data), pt);
            return true;
        }
        default:
            return false;
        }
    }

private:
    bool Accepts(const QMimeData* data) const
    {
        if (!data || !m_sink) return false;
        if (m_sink->AcceptsFiles() && !LocalFilesOf(data).empty()) return true;
        return m_sink->AcceptsText() && !PlainTextOf(data).empty();
    }
    bool Answer(QDropEvent* e, bool accepted)
    {
        lastEffect = ChooseDropEffect(accepted, KeyState(e->modifiers()), FromQt(e->possibleActions()));
        if (lastEffect == DROPEFFECT_NONE) {
            e->ignore();
            return false;
        }
        e->setDropAction(ToQt(lastEffect));
        e->accept();
        return true;
    }

    QPointer<QWidget> m_widget;
    IDropSink* m_sink;
};

CDropTarget::CDropTarget(QWidget* widget, IDropSink* sink) : m_filter(std::make_unique<CFilter>(widget, sink)) {}
CDropTarget::~CDropTarget() = default;
DWORD CDropTarget::GetLastEffect() const { return m_filter->lastEffect; }
