#include "qt/Dialog.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>

namespace kqt {

Dialog::Dialog(const DialogTemplate& tmpl, QWidget* parent)
    : QDialog(parent), m_template(tmpl)
{
}

QRect Dialog::dluRect(int x, int y, int cx, int cy) const
{
    return dluToPx(m_baseUnits, x, y, cx, cy);
}

bool Dialog::create()
{
    build();
    if (onInitDialog())
        focusFirstTabStop();
    if (m_template.style & kDlgVisible)
        show();
    return true;
}

int Dialog::doModal()
{
    build();
    if (onInitDialog())
        focusFirstTabStop();
    return exec();
}

bool Dialog::onInitDialog()
{
    DataExchange dx;
    doDataExchange(dx);
    return true;
}

void Dialog::build()
{
    if (m_built)
        return;
    m_built = true;
    QFont font(QString::fromUtf8(m_template.fontFamily));
    font.setPointSize(m_template.fontPointSize);
    setFont(font);
    m_baseUnits = baseUnitsOf(font);
    setWindowTitle(QString::fromUtf8(m_template.caption));

    Qt::WindowFlags flags = (m_template.style & kDlgAppWindow) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
             Qt::WindowCloseButtonHint;
    if (m_template.style & kDlgMinimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);
    setFixedSize(dluToPx(m_baseUnits, m_template.cx, m_template.cy));

    QList<QWidget*> boxes;
    for (const ControlTemplate& ctl : m_template.controls) {
        QWidget* w = makeControl(ctl);
        w->setGeometry(dluToPx(m_baseUnits, ctl.x, ctl.y, ctl.cx, ctl.cy));
        w->setFocusPolicy((ctl.style & kStyleTabStop) ? Qt::StrongFocus : Qt::NoFocus);
        m_controls.append(w);
        if (ctl.id != kNoId)
            m_items.insert(ctl.id, w);
        if (ctl.kind == ControlKind::GroupBox)
            boxes.append(w);
    }
    // A group box only frames the controls inside it; keep it beneath them.
    for (QWidget* box : boxes)
        box->lower();
}

namespace {

void applyEdge(QFrame* frame, uint32_t style)
{
    if (style & (kStyleSunken | kStyleClientEdge))
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    else if (style & (kStyleStaticEdge | kStyleBorder))
        frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    else
        return;
    frame->setLineWidth((style & kStyleSunken) && (style & kStyleClientEdge) ? 2 : 1);
}

} // namespace

QWidget* Dialog::makeControl(const ControlTemplate& ctl)
{
    const QString text = QString::fromUtf8(ctl.text ? ctl.text : "");
    switch (ctl.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* b = new QPushButton(text, this);
        // Enter presses the default button only, never whichever button has the
        // focus: with Start disabled it must not fall through to Abort.
        b->setAutoDefault(ctl.kind == ControlKind::DefPushButton);
        b->setDefault(ctl.kind == ControlKind::DefPushButton);
        const int id = ctl.id;
        connect(b, &QPushButton::clicked, this, [this, id] { command(id); });
        return b;
    }
    case ControlKind::StaticText: {
        auto* l = new QLabel(text, this);
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(true);
        Qt::Alignment a = (ctl.style & kStyleRight) ? Qt::AlignRight : Qt::AlignLeft;
        a |= (ctl.style & kStyleCenterImage) ? Qt::AlignVCenter : Qt::AlignTop;
        l->setAlignment(a);
        applyEdge(l, ctl.style);
        if (l->frameStyle() != QFrame::NoFrame)
            l->setIndent(2);
        return l;
    }
    case ControlKind::StaticPicture: {
        auto* p = new PictureCtrl(this);
        applyEdge(p, ctl.style);
        return p;
    }
    case ControlKind::StaticIcon: {
        auto* l = new QLabel(this);
        const QRect r = dluToPx(m_baseUnits, ctl.x, ctl.y, ctl.cx, ctl.cy);
        const int side = r.width() >= 32 && r.height() >= 32 ? 32 : 16;
        l->setPixmap(staticIcon().pixmap(side, side));
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(text, this);
    case ControlKind::TreeView: {
        auto* t = new QTreeWidget(this);
        t->setColumnCount(1);
        t->setHeaderHidden(true);
        t->setRootIsDecorated(false);
        t->setIndentation(m_baseUnits.cx * 3);
        t->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        t->header()->setStretchLastSection(false);
        applyEdge(t, ctl.style);
        return t;
    }
    case ControlKind::Trackbar: {
        auto* s = new QSlider(Qt::Horizontal, this);
        s->setRange(0, 100);
        return s;
    }
    case ControlKind::ProgressBar: {
        auto* b = new QProgressBar(this);
        b->setRange(0, 100);
        b->setValue(0);
        b->setTextVisible(false);
        return b;
    }
    }
    return new QWidget(this);
}

void Dialog::command(int id)
{
    if (id == kIdOk)
        onOK();
    else if (id == kIdCancel)
        onCancel();
    else
        onCommand(id);
}

void Dialog::focusFirstTabStop()
{
    for (qsizetype i = 0; i < m_controls.size(); ++i) {
        QWidget* w = m_controls[i];
        if ((m_template.controls[static_cast<size_t>(i)].style & kStyleTabStop) &&
            w->isEnabled()) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void Dialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    onClose();
}

void Dialog::setDlgItemInt(int id, int value) { setDlgItemText(id, QString::number(value)); }

void Dialog::setDlgItemText(int id, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(dlgItem(id)))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(dlgItem(id)))
        button->setText(text);
}

QString Dialog::dlgItemText(int id) const
{
    if (auto* label = qobject_cast<QLabel*>(dlgItem(id)))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(dlgItem(id)))
        return button->text();
    return QString();
}

void Dialog::ddxControl(DataExchange&, int id, TreeCtrl& ctrl)
{
    ctrl.attach(qobject_cast<QTreeWidget*>(dlgItem(id)));
}

void Dialog::ddxControl(DataExchange&, int id, SliderCtrl& ctrl)
{
    ctrl.attach(qobject_cast<QSlider*>(dlgItem(id)));
}

void Dialog::ddxControl(DataExchange&, int id, ProgressCtrl& ctrl)
{
    ctrl.attach(qobject_cast<QProgressBar*>(dlgItem(id)));
}

void Dialog::ddxText(DataExchange& dx, int id, QString& value)
{
    if (dx.saveAndValidate)
        value = dlgItemText(id);
    else
        setDlgItemText(id, value);
}

} // namespace kqt
