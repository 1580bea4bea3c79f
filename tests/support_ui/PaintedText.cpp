#include "PaintedText.h"
#include "ui/UIControl.h"
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

namespace {
// A paint device that keeps the text items drawn on it and nothing else.
class CTextCatcher : public QPaintDevice {
public:
    explicit CTextCatcher(QSize size) : m_size(size) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }
    std::vector<std::wstring> Texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmWidthMM: return m_size.width() * 254 / 960;
        case PdmHeightMM: return m_size.height() * 254 / 960;
        case PdmDepth: return 32;
        case PdmNumColors: return 0x7FFFFFFF;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        default: return 96;  // the resolutions
        }
    }

private:
    class CEngine : public QPaintEngine {
    public:
        CEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPath(const QPainterPath&) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts.push_back(item.text().toStdWString()); }
        Type type() const override { return QPaintEngine::User; }
        std::vector<std::wstring> texts;
    };
    QSize m_size;
    mutable CEngine m_engine;
};
}  // namespace

std::vector<std::wstring> PaintedTexts(CControlUI* control)
{
    const RECT& rc = control->GetPos();
    CTextCatcher catcher(QSize(rc.right + 1, rc.bottom + 1));
    QPainter painter(&catcher);
    control->DoPaint(painter, rc);
    painter.end();
    return catcher.Texts();
}

std::vector<std::wstring> PaintedTexts(QWidget* widget)
{
    CTextCatcher catcher(widget->size());
    widget->render(&catcher);
    return catcher.Texts();
}
