// Thin wrappers over the Qt widgets that stand for the tree, trackbar and progress
// controls, with the operations the application uses, and the picture control that
// the conversion job draws its preview into.
#pragma once

#include <QFrame>
#include <QImage>
#include <QString>

class QProgressBar;
class QSlider;
class QTreeWidget;
class QTreeWidgetItem;

namespace kqt {

class TreeCtrl {
public:
    using Item = QTreeWidgetItem*;
    enum class InsertAfter { Last, Sort };

    void attach(QTreeWidget* tree) { m_tree = tree; }
    QTreeWidget* widget() const { return m_tree; }

    // parent nullptr inserts a top-level item. Sort places the item among its
    // siblings in case-insensitive order, after any equal ones.
    Item insertItem(const QString& text, Item parent, InsertAfter after);
    Item rootItem() const;              // first top-level item or nullptr
    Item childItem(Item item) const;    // first child or nullptr
    Item nextSiblingItem(Item item) const;
    QString itemText(Item item) const;
    int topLevelCount() const;
    void selectItem(Item item);         // expands its parent and shows it
    void setFirstVisible(Item item);    // scrolls the item to the top

private:
    QTreeWidget* m_tree = nullptr;
};

class SliderCtrl {
public:
    void attach(QSlider* slider) { m_slider = slider; }
    QSlider* widget() const { return m_slider; }
    void setRangeMin(int value);
    void setRangeMax(int value);
    void setPos(int value);
    int pos() const;

private:
    QSlider* m_slider = nullptr;
};

class ProgressCtrl {
public:
    void attach(QProgressBar* bar) { m_bar = bar; }
    QProgressBar* widget() const { return m_bar; }
    void setRange(int lower, int upper);
    void setPos(int pos);
    void setStep(int step);
    void stepIt(); // past the upper end it starts again from the lower end
    int pos() const;

private:
    QProgressBar* m_bar = nullptr;
    int m_step = 10;
};

// A sunken picture area with a canvas on top that the program paints into from
// outside paint events. Repainting the control itself (clearCanvas) drops the
// picture, as a window repaint would.
class PictureCtrl : public QFrame {
public:
    explicit PictureCtrl(QWidget* parent = nullptr);
    void clearCanvas();
    void fill(const QRect& rect, const QColor& colour); // widget coordinates
    void drawImage(const QPoint& topLeft, const QImage& image);
    const QImage& canvas() const { return m_canvas; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ensureCanvas();
    QImage m_canvas;
};

} // namespace kqt
