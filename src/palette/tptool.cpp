#include "palette/tptool.h"

#include "palette/colorcontrols.h"
#include "palette/tpdisclosurebutton.h"
#include "palette/tpiconbutton.h"
#include "palette/tpsetting.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <algorithm>
#include <cmath>

namespace pennova {

namespace {

    // What one press on a row found, read by the drag and the release that follow it: the list
    // the row is dragged in, and whether the press hit the name.
    QPointer<TPListView> parentlist;
    bool titleclick = false;

    // Header layout, y down from the header's top edge.
    constexpr QRect kTriangleFrame(6, 11, 13, 13);
    constexpr QRect kIconFrame(25, 2, TPTool::kIconSize, TPTool::kIconSize);
    constexpr int kTitleX = 70;
    constexpr int kTitleY = 9;
    constexpr int kTitleHeight = 17;
    // The name field spans the row less this much while it is edited.
    constexpr int kTitleWidthInset = 80;
    constexpr int kTitlePixelSize = 12;
    // The field grows by this much on every side while it is edited.
    constexpr int kTitleEditGrowth = 3;
    // Room the frameless field needs beside its text.
    constexpr int kTitleTextMargin = 6;

    constexpr int kSettingsListHeight = 100;
    constexpr QSize kSettingsEndSize(1, 3);

    // Dragging: the farther the pointer from the row's middle, the shorter each step, at most
    // kMaxDragMoveTime.
    constexpr double kDragSpeed = 3.5;
    constexpr float kMaxDragMoveTime = 0.1f;
    constexpr int kDragFrameWidth = 4;
    constexpr double kBottomLineGrey = 0.5;

    // The row's shading from its top (t = 0) to its bottom (t = 1): the cubic Bézier of the
    // values 1.0, 0.9, 0.9, 0.95, by repeated linear interpolation. White at the top, about 0.92
    // half way, 0.95 at the bottom.
    double rowShade(double t)
    {
        double v[4] = { 1.0, 0.9, 0.9, 0.95 };
        for (int n = 3; n > 0; --n) {
            for (int i = 0; i < n; ++i)
                v[i] = v[i] + (v[i + 1] - v[i]) * t;
        }
        return v[0];
    }

    TPListView *enclosingList(const QWidget *view)
    {
        for (QWidget *w = view->parentWidget(); w; w = w->parentWidget()) {
            if (auto *list = qobject_cast<TPListView *>(w))
                return list;
        }
        return nullptr;
    }

    QScrollArea *enclosingScrollArea(const QWidget *view)
    {
        for (QWidget *w = view->parentWidget(); w; w = w->parentWidget()) {
            if (auto *area = qobject_cast<QScrollArea *>(w))
                return area;
        }
        return nullptr;
    }

    void setBase(QLineEdit *field, const QColor &color)
    {
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, color);
        field->setPalette(palette);
    }

} // namespace

TPTool::TPTool(QWidget *parent)
    : TPListView(parent)
{
    resize(kBuildWidth, kSettingsListHeight);

    m_toolView = new QWidget;
    m_toolView->setObjectName(QStringLiteral("header"));
    m_toolView->resize(kBuildWidth, kHeaderHeight);

    m_triangle = new TPDisclosureButton(m_toolView);
    m_triangle->setGeometry(kTriangleFrame);
    m_triangle->setFocusPolicy(Qt::TabFocus);
    m_triangle->setToolTip(tr("Show or hide the settings"));
    connect(m_triangle, &TPDisclosureButton::clicked, this, &TPTool::triangleClicked);

    m_setButton = new TPIconButton(m_toolView);
    m_setButton->setGeometry(kIconFrame);
    m_setButton->setToolTip(tr("Use this tool"));
    connect(m_setButton, &TPIconButton::clicked, this, &TPTool::clickedSet);

    m_titleField = new QLineEdit(m_toolView);
    QFont titleFont = m_titleField->font();
    titleFont.setPixelSize(kTitlePixelSize);
    m_titleField->setFont(titleFont);
    m_titleField->setGeometry(kTitleX, kTitleY, kBuildWidth - kTitleWidthInset, kTitleHeight);
    m_titleField->setReadOnly(true);
    m_titleField->setFrame(false);
    m_titleField->setFocusPolicy(Qt::NoFocus);
    m_titleField->setContextMenuPolicy(Qt::NoContextMenu);
    // Presses on the name reach the row (which tells a click on the name from one elsewhere)
    // until the name is edited.
    m_titleField->setAttribute(Qt::WA_TransparentForMouseEvents);
    setBase(m_titleField, Qt::transparent);
    m_titleField->installEventFilter(this);
    connect(m_titleField, &QLineEdit::returnPressed, this, &TPTool::endTitleEdit);
    sizeTitleField();

    m_settingsView = new TPListView;
    m_settingsView->setObjectName(QStringLiteral("settings"));
    m_settingsView->resize(kBuildWidth - kSettingsIndent, kSettingsListHeight);
    m_settingsView->hide();
    m_settingsEnd = new QWidget;
    m_settingsEnd->resize(kSettingsEndSize);
    m_settingsView->addSubview(m_settingsEnd);

    addSubview(m_toolView);
    addSubview(m_settingsView);
    m_settingsView->move(kSettingsIndent, 0);
    layout();
}

void TPTool::setTitle(const QString &title)
{
    const bool changed = title != m_title;
    m_title = title;
    m_titleField->setText(title);
    m_titleField->setCursorPosition(0);
    sizeTitleField();
    if (changed)
        emit edited(this);
}

void TPTool::sizeTitleField()
{
    const int textWidth = m_titleField->fontMetrics().horizontalAdvance(m_titleField->text());
    m_titleField->resize(textWidth + kTitleTextMargin, kTitleHeight);
}

TPSetting *TPTool::addSetting(const QString &key, const QString &title, SettingType type)
{
    auto *setting = new TPSetting(key, title, type);
    setting->setOwner(this);
    m_settingsView->addSubview(setting);
    m_settingsView->moveSubview(setting, m_settingsEnd);
    return setting;
}

QList<TPSetting *> TPTool::settings() const
{
    QList<TPSetting *> found;
    for (QWidget *child : m_settingsView->children()) {
        if (auto *setting = qobject_cast<TPSetting *>(child))
            found.append(setting);
    }
    return found;
}

TPSetting *TPTool::settingForKey(const QString &key) const
{
    for (TPSetting *setting : settings()) {
        if (setting->key() == key)
            return setting;
    }
    return nullptr;
}

QList<TPSetting *> TPTool::getEnabledSettings() const
{
    QList<TPSetting *> enabled = settings();
    enabled.erase(std::remove_if(enabled.begin(), enabled.end(),
                      [](const TPSetting *s) { return !s->enabled(); }),
        enabled.end());
    return enabled;
}

void TPTool::setObject(const QVariant &value, const QString &key)
{
    for (TPSetting *setting : settings()) {
        if (setting->key() == key) {
            setting->setValue(value);
            setting->enable(true);
        }
    }
}

ToolRecord TPTool::dictRepresentation() const
{
    ToolRecord record(m_title, m_type);
    for (const TPSetting *setting : getEnabledSettings()) {
        const QVariant value = setting->getValue();
        if (value.typeId() == QMetaType::QByteArray)
            record.insert(setting->key(), value.toByteArray());
        else
            record.insert(setting->key(), qint32(value.toInt()));
    }
    return record;
}

void TPTool::settingChanged(TPSetting *) { }

void TPTool::updateIcon() { }

void TPTool::settingDidChange()
{
    updateIcon();
    emit edited(this);
}

void TPTool::clickedSet()
{
    emit chosen(this);
}

void TPTool::setIcon(const QImage &icon)
{
    m_icon = icon;
    const ColorControls pressed { kPressedSaturation, kPressedBrightness, kPressedContrast };
    m_setButton->setImages(icon, icon.isNull() ? QImage() : colorControlsImage(icon, pressed));
}

bool TPTool::isOpen() const
{
    return !m_settingsView->isHidden();
}

void TPTool::setOpen(bool open)
{
    if (open == isOpen())
        return;
    m_triangle->setChecked(open);
    triangleClicked();
}

// The triangle's action: shows or hides the settings, and brings the whole row into sight.
void TPTool::triangleClicked()
{
    m_settingsView->setVisible(m_triangle->isChecked());
    layout();
    if (parentWidget()) {
        if (QScrollArea *area = enclosingScrollArea(this))
            area->ensureWidgetVisible(this, 0, 0);
        m_triangle->setFocus(Qt::OtherFocusReason);
    }
    update();
}

void TPTool::startTitleEdit()
{
    if (m_editingTitle)
        return;
    m_editingTitle = true;
    m_titleBeforeEdit = m_title;
    m_titleFrameBeforeEdit = m_titleField->geometry();
    m_titleField->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    m_titleField->setReadOnly(false);
    m_titleField->setFrame(true);
    m_titleField->setContextMenuPolicy(Qt::DefaultContextMenu);
    setBase(m_titleField, palette().color(QPalette::Base));
    m_titleField->setFocusPolicy(Qt::StrongFocus);
    const QRect grown = m_titleFrameBeforeEdit.adjusted(
        -kTitleEditGrowth, -kTitleEditGrowth, kTitleEditGrowth, kTitleEditGrowth);
    m_titleField->setGeometry(
        grown.x(), grown.y(), std::max(1, width() - kTitleWidthInset), grown.height());
    m_titleField->selectAll();
    m_titleField->setFocus(Qt::MouseFocusReason);
}

void TPTool::endTitleEdit()
{
    if (!m_editingTitle)
        return;
    m_editingTitle = false;
    const QString typed = m_titleField->text();
    m_titleField->setReadOnly(true);
    m_titleField->setFrame(false);
    m_titleField->setContextMenuPolicy(Qt::NoContextMenu);
    setBase(m_titleField, Qt::transparent);
    m_titleField->setFocusPolicy(Qt::NoFocus);
    m_titleField->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_titleField->deselect();
    m_titleField->setGeometry(m_titleFrameBeforeEdit);
    // A blank name would leave the row without one: the previous name stays.
    setTitle(typed.trimmed().isEmpty() ? m_titleBeforeEdit : typed);
    if (m_titleField->hasFocus())
        m_titleField->clearFocus();
}

void TPTool::cancelTitleEdit()
{
    if (!m_editingTitle)
        return;
    m_titleField->clear();
    endTitleEdit();
}

bool TPTool::event(QEvent *event)
{
    // On a screen of another pixel density the icon is drawn again, to stay sharp.
    if (event->type() == QEvent::ScreenChangeInternal)
        updateIcon();
    return TPListView::event(event);
}

bool TPTool::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_titleField && m_editingTitle) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Escape belongs to the name being edited, not to a window shortcut.
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
                event->accept();
                return true;
            }
            break;
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
                cancelTitleEdit();
                return true;
            }
            break;
        case QEvent::FocusOut:
            // Leaving the field ends the edit, except for the field's own menu.
            if (static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
                endTitleEdit();
            break;
        default:
            break;
        }
    }
    return TPListView::eventFilter(watched, event);
}

void TPTool::press(QMouseEvent *event)
{
    const QRect titleFrame(m_titleField->mapTo(this, QPoint(0, 0)), m_titleField->size());
    titleclick = titleFrame.contains(event->position().toPoint());
    parentlist = enclosingList(this);
    if (parentlist)
        parentlist->popChild(this);
    m_pressed = true;
    event->accept();
}

void TPTool::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_secondClick = false;
    press(event);
}

void TPTool::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_secondClick = true;
    press(event);
}

void TPTool::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton)) {
        event->ignore();
        return;
    }
    setDarken(true);
    dragTo(event->position());
}

// Moves the row past its neighbours towards the pointer, one blocking step per row passed, while
// the pointer is inside the list and beyond the middle of the next neighbour.
void TPTool::dragTo(const QPointF &rowPoint)
{
    TPListView *list = parentlist;
    if (!list || !list->isAncestorOf(this))
        return;
    const QPointer<TPTool> self(this);
    const QPointF p = mapTo(list, rowPoint);
    const auto frameInList = [&]() { return QRectF(QPointF(mapTo(list, QPoint(0, 0))), size()); };
    const auto middle = [](const QWidget *w) { return w->y() + w->height() * 0.5; };
    // The pointer above the row's bottom edge moves it up, below it moves it down.
    const bool movingUp = p.y() < frameInList().bottom();
    for (;;) {
        const QRectF frame = frameInList();
        if (frame.contains(p) || !QRectF(list->rect()).contains(p))
            return;
        const int rowMiddle = int(frame.y() + frame.height() * 0.5);
        const int distance = std::abs(int(p.y() - rowMiddle));
        const double quotient = kDragSpeed / distance;
        list->setMoveTime(quotient > 0 ? std::min(float(quotient), kMaxDragMoveTime) : 0.0f);

        const int index = list->indexOfChild(this);
        if (index < 0)
            return;
        if (movingUp) {
            if (index == 0 || !(p.y() < middle(list->getChildAtIndex(index - 1))))
                return;
            list->moveChildUp(this);
        } else {
            if (index >= list->childCount() - 2
                || p.y() <= middle(list->getChildAtIndex(index + 1)))
                return;
            list->moveChildDown(this);
        }
        if (!self || !list || list->indexOfChild(this) == index)
            return;
        if ((p.y() < frameInList().bottom()) != movingUp)
            return;
    }
}

void TPTool::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setDarken(false);
    const bool secondClick = m_secondClick;
    m_pressed = false;
    m_secondClick = false;
    if (secondClick) {
        if (titleclick)
            startTitleEdit();
        else
            m_triangle->click();
    }
    event->accept();
}

void TPTool::setDarken(bool on)
{
    if (m_darken == on)
        return;
    m_darken = on;
    update();
}

void TPTool::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_menu) {
        event->ignore();
        return;
    }
    emit menuRequested(this);
    m_menu->popup(event->globalPos());
    event->accept();
}

void TPTool::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient shading(0, 0, 0, height());
    constexpr int kStops = 32;
    for (int i = 0; i <= kStops; ++i) {
        const double t = double(i) / kStops;
        const double grey = rowShade(t);
        shading.setColorAt(t, QColor::fromRgbF(grey, grey, grey));
    }
    painter.fillRect(rect(), shading);

    painter.fillRect(0, height() - 1, width(), 1,
        QColor::fromRgbF(kBottomLineGrey, kBottomLineGrey, kBottomLineGrey));

    if (m_darken) {
        // The whole width inside the row's bounds.
        const double half = kDragFrameWidth / 2.0;
        painter.setPen(
            QPen(Qt::black, kDragFrameWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
    }
}

} // namespace pennova
