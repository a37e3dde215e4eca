// A dialog window built from a template: the widgets are created from the template's
// controls and placed in dialog units of the template's font. Runs modeless (create)
// or modal (doModal); initialisation, data exchange and the button commands are
// virtual, so dialogs of the application override only what they need.
#pragma once

#include "qt/Controls.h"
#include "qt/DialogTemplate.h"
#include "qt/DialogUnits.h"

#include <QDialog>
#include <QHash>

namespace kqt {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Direction of one data exchange: from members to controls, or back.
struct DataExchange {
    bool saveAndValidate = false;
};

class Dialog : public QDialog {
public:
    explicit Dialog(const DialogTemplate& tmpl, QWidget* parent = nullptr);

    // Builds the window and runs onInitDialog; shows it when the template says so.
    bool create();
    // Builds the window, runs onInitDialog and waits until the dialog ends.
    int doModal();

    QWidget* dlgItem(int id) const { return m_items.value(id, nullptr); }
    void setDlgItemInt(int id, int value);
    void setDlgItemText(int id, const QString& text);
    QString dlgItemText(int id) const;
    const BaseUnits& baseUnits() const { return m_baseUnits; }
    QRect dluRect(int x, int y, int cx, int cy) const;

    // The dialog's own OK and Cancel (Enter, Escape) go to the virtual handlers.
    void accept() override { onOK(); }
    void reject() override { onCancel(); }

protected:
    // Runs the data exchange towards the controls and returns true, which gives the
    // focus to the first tab stop; return false when it has set the focus itself.
    virtual bool onInitDialog();
    virtual void doDataExchange(DataExchange& /*dx*/) {}
    virtual void onOK() { QDialog::accept(); }
    virtual void onCancel() { QDialog::reject(); }
    virtual void onClose() { onCancel(); } // the close box, Alt+F4
    virtual void onCommand(int /*id*/) {}  // a button other than OK and Cancel
    // What a static icon control shows; the dialog's own icon unless overridden.
    virtual QIcon staticIcon() const { return windowIcon(); }

    // Data exchange helpers: attach a wrapper to its control, or move a text.
    void ddxControl(DataExchange& dx, int id, TreeCtrl& ctrl);
    void ddxControl(DataExchange& dx, int id, SliderCtrl& ctrl);
    void ddxControl(DataExchange& dx, int id, ProgressCtrl& ctrl);
    void ddxText(DataExchange& dx, int id, QString& value);

    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    QWidget* makeControl(const ControlTemplate& ctl);
    void command(int id);
    void focusFirstTabStop();

    const DialogTemplate& m_template;
    BaseUnits m_baseUnits;
    QHash<int, QWidget*> m_items;
    QList<QWidget*> m_controls; // in template order
    bool m_built = false;
};

} // namespace kqt
