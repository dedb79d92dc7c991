#include "app/window/AboutDialog.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>

namespace lumvane {

TMakerContacts MakerContacts() {
  return {QStringLiteral(LUMVANE_WEBSITE), QStringLiteral(LUMVANE_GENERAL_EMAIL),
          QStringLiteral(LUMVANE_SUPPORT_EMAIL)};
}

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("frmAbout");
  setFixedSize(365, 284);

  auto* picturePanel = new QFrame(this);
  picturePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  picturePanel->setGeometry(8, 8, 348, 103);
  picturePanel->setStyleSheet("background: white");
  ProductPicture = new QLabel(picturePanel);
  ProductPicture->setObjectName("ProductPicture");
  ProductPicture->setGeometry(picturePanel->contentsRect());
  ProductPicture->setAlignment(Qt::AlignCenter);
  ProductPicture->setPixmap(QIcon(":/lumvane/about.svg").pixmap(ProductPicture->size()));

  auto* version = new QGroupBox(" Lumvane Version 1.02 ", this);
  version->setObjectName("grpVersion");
  version->setGeometry(8, 118, 348, 46);
  auto* summary = new QLabel("A lossless GIF optimizer: smaller files, same pictures.", version);
  summary->setGeometry(10, 20, 330, 18);
  summary->setAlignment(Qt::AlignCenter);

  const TMakerContacts contacts = MakerContacts();
  lblGeneral = AddLinkRow("General:", contacts.GeneralEmail, "mailto:" + contacts.GeneralEmail, 174);
  lblSupport = AddLinkRow("Technical Support:", contacts.SupportEmail, "mailto:" + contacts.SupportEmail, 196);
  lblWebsite = AddLinkRow("Website:", contacts.Website, contacts.Website, 218);

  auto* bevel = new QFrame(this);
  bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  bevel->setGeometry(8, 243, 348, 2);

  btnOK = new QPushButton("OK", this);
  btnOK->setObjectName("btnOK");
  btnOK->setGeometry(281, 253, 75, 23);
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  FormCreate();
}

void TfrmAbout::FormCreate() { setWindowTitle("About " + QApplication::applicationName()); }

QLabel* TfrmAbout::AddLinkRow(const QString& caption, const QString& text, const QString& address, int top) {
  auto* label = new QLabel(caption, this);
  label->setGeometry(8, top, 120, 16);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* link = new QLabel(this);
  link->setGeometry(136, top, 220, 16);
  link->setTextFormat(Qt::RichText);
  link->setText(QStringLiteral("<a href=\"%1\" style=\"color: navy; text-decoration: underline\">%2</a>")
                    .arg(address.toHtmlEscaped(), text.toHtmlEscaped()));
  link->setCursor(Qt::PointingHandCursor);
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  connect(link, &QLabel::linkActivated, this, [this](const QString& target) {
    if (OnOpenAddress) OnOpenAddress(target);
  });
  return link;
}

}  // namespace lumvane
