#include "editor/message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>

namespace korvane {

namespace {

MessageHandler& handler() {
  static MessageHandler h;
  return h;
}

}  // namespace

MessageAnswer ShowMessage(const std::string& text, MessageIcon icon, bool yesNo) {
  if (handler()) return handler()(text, icon, yesNo);
  QMessageBox box;  // no owner window, as every message of the program
  box.setWindowTitle(QString::fromUtf8(kMessageTitle));
  box.setText(QString::fromUtf8(text.c_str()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  box.setIcon(icon == MessageIcon::Error         ? QMessageBox::Critical
              : icon == MessageIcon::Information ? QMessageBox::Information
                                                 : QMessageBox::Question);
  box.setWindowModality(Qt::ApplicationModal);
  if (yesNo) {
    QPushButton* yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
  box.exec();
  return MessageAnswer::Ok;
}

MessageAnswer AskToSave(const std::string& text) {
  if (handler()) return handler()(text, MessageIcon::Question, true);
  QMessageBox box;
  box.setWindowTitle(QString::fromUtf8(kMessageTitle));
  box.setText(QString::fromUtf8(text.c_str()));
  box.setIcon(QMessageBox::Question);
  box.setWindowModality(Qt::ApplicationModal);
  QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("不保存"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  return box.clickedButton() == save ? MessageAnswer::Yes : box.clickedButton() == discard ? MessageAnswer::No
                                                                                             : MessageAnswer::Cancel;
}

ScopedMessageHandler::ScopedMessageHandler(MessageHandler h) : m_previous(std::move(handler())) {
  handler() = std::move(h);
}

ScopedMessageHandler::~ScopedMessageHandler() { handler() = std::move(m_previous); }

}  // namespace korvane
