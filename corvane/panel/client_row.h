#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

#include "corvane/clients/wow_client.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace corvane {

/// One client's line in the panel: its slot colour, its editable name,
/// "Active" when it is being played, and a button that focuses it. A row
/// belongs to one process for its whole life, so its name field keeps its
/// editing state while other clients come and go.
class ClientRow : public QWidget {
    Q_OBJECT

public:
    struct Actions {
        std::function<void(const WowClient& client, const QString& text)> rename;
        std::function<void(const WowClient& client)> focus;
    };

    ClientRow(const WowClient& client, Actions actions, QWidget* parent);

    [[nodiscard]] platform::Pid pid() const { return client_.pid; }
    /// Shows the client's current state in `slot`. The name is left alone
    /// while the user is editing it, so a rebuild never moves the cursor or the text.
    void refresh(const WowClient& client, int slot, const QString& name, const QColor& color, bool active);

    [[nodiscard]] QLineEdit* nameField() const { return name_; }
    [[nodiscard]] QLabel* activeLabel() const { return active_; }
    [[nodiscard]] QPushButton* focusButton() const { return focus_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Dot;

    WowClient client_;
    Actions actions_;
    Dot* dot_;
    QLineEdit* name_;
    QLabel* active_;
    QPushButton* focus_;
};

}  // namespace corvane
