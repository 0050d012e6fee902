#pragma once
// A drop-down choice among English items: the chosen item's text in a rounded
// box with a chevron; a click, Space, Enter or Alt+Down opens the list under it
// (over it when there is no room below); Up, Down, Home, End and the wheel
// change the choice directly.

#include "platform/widgets/Control.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace pv {

class TComboPopup;

class TComboBox : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent = nullptr);
    ~TComboBox() override;
    QWidget* widget() override { return this; }

    // English item texts; what is shown can be replaced per item (translations).
    void setItems(const QStringList& english);
    const QStringList& sourceItems() const { return sourceItems_; }
    const QStringList& items() const { return shownItems_; }
    int itemTextCount() const override { return count(); }
    QString itemSourceText(int index) const override { return sourceItems_.value(index); }
    void setItemDisplayText(int index, const QString& shown) override;
    int count() const { return int(sourceItems_.size()); }

    int itemIndex() const { return itemIndex_; }
    // -1 chooses nothing; raises nothing.
    void setItemIndex(int index);
    QString currentText() const;

    void setFontSize(double designPixels, int weight = QFont::Normal);
    // Rows shown at once before the list scrolls.
    void setMaxVisibleItems(int rows) { maxVisible_ = std::max(1, rows); }
    int maxVisibleItems() const { return maxVisible_; }
    double itemHeight() const { return itemHeight_; }

    bool isPopupOpen() const { return popup_ != nullptr; }
    void showPopup();
    void hidePopup();
    // The open list (for placement checks), or null.
    QWidget* popup() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // The user chose another item.
    void changed(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void hideEvent(QHideEvent*) override;
    void changeEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    friend class TComboPopup;
    // Chooses an item for the user: raises changed when it differs.
    void choose(int index);

    QStringList sourceItems_, shownItems_;
    int itemIndex_ = -1;
    int maxVisible_ = 8;
    double itemHeight_ = 28;
    bool hovered_ = false;
    TComboPopup* openPopup() const;

    QPointer<QWidget> popup_;
};

} // namespace pv
