#pragma once
// Editable combo box with a history list that it filters while the user types.

#include <QComboBox>
#include <QStringList>

class CComboBox2 : public QComboBox {
    Q_OBJECT
public:
    explicit CComboBox2(QWidget* parent = nullptr);

    // Appends a text to the history (duplicates are kept).
    void AddHistory(const QString& text);
    QStringList History() const { return history_; }

    // Opening the list (the user's drop-down) shows the whole history, unchanged.
    void showPopup() override;

    // Filtered entries are shown cut before this marker.
    static constexpr char16_t CutMarker[] = u"kzt?!oxff";

signals:
    // The user changed the edit text (after the list has been filtered). Picking an entry
    // is reported by QComboBox::activated / textActivated.
    void EditChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTextEdited(const QString& text);
    void OnPopupHidden();
    // Replaces the list entries; the edit text and caret stay as they are.
    void SetEntries(const QStringList& entries);
    bool ForwardToEdit(QEvent* event);

    QStringList history_;
    bool suppressRefill_ = false;  // set while the filter itself opens the list
    bool choiceMade_ = false;      // an entry was picked since the list opened
};
