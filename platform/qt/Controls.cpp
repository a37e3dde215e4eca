#include "qt/Controls.h"

#include <QPainter>
#include <QProgressBar>
#include <QSlider>
#include <QTreeWidget>

#include <algorithm>
#include <climits>
#include <cstdint>

namespace kqt {

//------------------------------------------------------------------------------
// TreeCtrl

TreeCtrl::Item TreeCtrl::insertItem(const QString& text, Item parent, InsertAfter after)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    const int count = parent ? parent->childCount() : m_tree->topLevelItemCount();
    int index = count;
    if (after == InsertAfter::Sort) {
        index = 0;
        while (index < count) {
            const Item sibling = parent ? parent->child(index) : m_tree->topLevelItem(index);
            if (QString::compare(sibling->text(0), text, Qt::CaseInsensitive) > 0)
                break;
            ++index;
        }
    }
    if (parent)
        parent->insertChild(index, item);
    else
        m_tree->insertTopLevelItem(index, item);
    return item;
}

TreeCtrl::Item TreeCtrl::rootItem() const { return m_tree->topLevelItem(0); }

TreeCtrl::Item TreeCtrl::childItem(Item item) const { return item ? item->child(0) : nullptr; }

TreeCtrl::Item TreeCtrl::nextSiblingItem(Item item) const
{
    if (!item)
        return nullptr;
    if (Item parent = item->parent())
        return parent->child(parent->indexOfChild(item) + 1);
    return m_tree->topLevelItem(m_tree->indexOfTopLevelItem(item) + 1);
}

QString TreeCtrl::itemText(Item item) const { return item ? item->text(0) : QString(); }

int TreeCtrl::topLevelCount() const { return m_tree->topLevelItemCount(); }

void TreeCtrl::selectItem(Item item)
{
    if (!item)
        return;
    if (Item parent = item->parent())
        parent->setExpanded(true);
    m_tree->setCurrentItem(item);
    m_tree->scrollToItem(item);
}

void TreeCtrl::setFirstVisible(Item item)
{
    if (item)
        m_tree->scrollToItem(item, QAbstractItemView::PositionAtTop);
}

//------------------------------------------------------------------------------
// SliderCtrl, ProgressCtrl

void SliderCtrl::setRangeMin(int value) { m_slider->setMinimum(value); }
void SliderCtrl::setRangeMax(int value) { m_slider->setMaximum(value); }
void SliderCtrl::setPos(int value) { m_slider->setValue(value); }
int SliderCtrl::pos() const { return m_slider->value(); }

// Unlike QProgressBar, which ignores a value outside its range and rewinds to "no
// progress" when a new range excludes its value, the position keeps within the range:
// a file whose frames start at 5 begins at 5 and ends with a full bar.
void ProgressCtrl::setRange(int lower, int upper)
{
    if (upper <= lower) {
        // An empty range (a movie without frames) shows an empty bar; Qt would turn
        // 0 to 0 into a busy indicator that runs until the next file.
        m_bar->setRange(lower == INT_MAX ? lower - 1 : lower, lower == INT_MAX ? lower : lower + 1);
        m_bar->setValue(m_bar->minimum());
        return;
    }
    const int pos = std::clamp(m_bar->value(), lower, upper);
    m_bar->setRange(lower, upper);
    m_bar->setValue(pos);
}

void ProgressCtrl::setPos(int pos)
{
    m_bar->setValue(std::clamp(pos, m_bar->minimum(), m_bar->maximum()));
}

void ProgressCtrl::setStep(int step) { m_step = step; }

void ProgressCtrl::stepIt()
{
    const int64_t next = int64_t{m_bar->value()} + m_step;
    m_bar->setValue(next > m_bar->maximum() ? m_bar->minimum() : static_cast<int>(next));
}

int ProgressCtrl::pos() const { return m_bar->value(); }

//------------------------------------------------------------------------------
// PictureCtrl

PictureCtrl::PictureCtrl(QWidget* parent) : QFrame(parent) {}

void PictureCtrl::clearCanvas()
{
    m_canvas = QImage();
    update();
}

void PictureCtrl::ensureCanvas()
{
    if (m_canvas.size() != size()) {
        m_canvas = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        m_canvas.fill(Qt::transparent);
    }
}

void PictureCtrl::fill(const QRect& rect, const QColor& colour)
{
    ensureCanvas();
    QPainter(&m_canvas).fillRect(rect, colour);
    update(rect);
}

void PictureCtrl::drawImage(const QPoint& topLeft, const QImage& image)
{
    ensureCanvas();
    QPainter(&m_canvas).drawImage(topLeft, image);
    update(QRect(topLeft, image.size()));
}

void PictureCtrl::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (!m_canvas.isNull())
        QPainter(this).drawImage(0, 0, m_canvas);
}

} // namespace kqt
