#include "app/dialog_layout.h"

#include <QFontMetrics>
#include <QMenuBar>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <algorithm>

namespace rk::app {
namespace {

// Multiplies and divides with rounding to the nearest integer, as the layouts were designed with.
int scaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

} // namespace

QFont dialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral(u"ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    font.setPointSize(9);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = std::max(1, (letters / 26 + 1) / 2); // the average letter width, rounded
    baseY_ = std::max(1, metrics.height());
}

int DialogUnits::toPixelsX(int units) const {
    return scaleRounded(units, baseX_, 4);
}

int DialogUnits::toPixelsY(int units) const {
    return scaleRounded(units, baseY_, 8);
}

QRect DialogUnits::rect(int x, int y, int width, int height) const {
    return {toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height)};
}

QSize DialogUnits::size(int width, int height) const {
    return {toPixelsX(width), toPixelsY(height)};
}

DialogUnits prepareFixedDialog(QWidget& dialog, int width, int height) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    dialog.setFont(dialogFont());
    const DialogUnits units(dialog.font());
    dialog.setFixedSize(units.size(width, height));
    return units;
}

void placeControl(QWidget& control, int id, const DialogUnits& units, int x, int y, int width, int height) {
    control.setObjectName(QStringLiteral("id%1").arg(id));
    control.setGeometry(units.rect(x, y, width, height));
}

void addMenuBarAbove(QWidget& dialog, QMenuBar& bar) {
    const int height = bar.sizeHint().height();
    for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (control != &bar && !control->isWindow()) control->move(control->x(), control->y() + height);
    const QSize client = dialog.size();
    dialog.setFixedSize(client.width(), client.height() + height);
    bar.setGeometry(0, 0, client.width(), height);
}

} // namespace rk::app
