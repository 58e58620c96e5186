#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace talvora {
class Workspace;
}

namespace talvora::qt {

// The "Add Application…" panel: the application bundles of one folder (and its plain
// subfolders), never their insides, with their icons; several can be chosen; "Pin" confirms.
class ApplicationChooser : public QDialog {
public:
    ApplicationChooser(const std::string& folder, Workspace& workspace, QWidget* parent = nullptr);

    // The chosen bundles' paths, in the order listed.
    std::vector<std::string> chosenPaths() const;

    QListWidget* list() const { return m_list; }
    QPushButton* pinButton() const { return m_pin; }

private:
    QListWidget* m_list;
    QPushButton* m_pin;
};

// Shows the panel modally: the chosen paths when the person confirms, nothing when they cancel.
std::optional<std::vector<std::string>> chooseApplications(const std::string& folder, Workspace& workspace, QWidget* parent);

} // namespace talvora::qt
