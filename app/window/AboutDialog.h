#pragma once
// The about dialog: product picture, version, the maker's contacts as links.

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <functional>

namespace lumvane {

// The maker's web address and e-mail contacts, set when the program is built.
struct TMakerContacts {
  QString Website;
  QString GeneralEmail;
  QString SupportEmail;
};
TMakerContacts MakerContacts();

class TfrmAbout : public QDialog {
  Q_OBJECT

public:
  explicit TfrmAbout(QWidget* owner);

  void FormCreate();

  QLabel* ProductPicture;
  QLabel* lblGeneral;
  QLabel* lblSupport;
  QLabel* lblWebsite;
  QPushButton* btnOK;
  // The main window's GoToURL.
  std::function<void(const QString&)> OnOpenAddress;

private:
  QLabel* AddLinkRow(const QString& caption, const QString& text, const QString& address, int top);
};

}  // namespace lumvane
