// The editor's message boxes: title "信息：", modal for the application, an
// icon, and OK or Yes/No. Tests answer them through a handler of their own,
// so that no test ever waits for a person.
#pragma once

#include <functional>
#include <string>

namespace korvane {

enum class MessageIcon { Error, Information, Question };
enum class MessageAnswer { Ok, Yes, No, Cancel };

inline constexpr const char kMessageTitle[] = "信息：";

// Shows the text ("\r\n" breaks become line breaks) and returns the answer:
// Ok for an OK box, Yes or No for a Yes/No box.
MessageAnswer ShowMessage(const std::string& text, MessageIcon icon, bool yesNo = false);

// Asks whether to save changes before they are lost: 保存 (Yes), 不保存
// (No) or 取消 (Cancel; also a closed box). A handler sees it as a yes/no
// question and may answer Cancel.
MessageAnswer AskToSave(const std::string& text);

using MessageHandler = std::function<MessageAnswer(const std::string& text, MessageIcon icon, bool yesNo)>;

// Every message goes to the handler instead of the screen while this lives.
class ScopedMessageHandler {
 public:
  explicit ScopedMessageHandler(MessageHandler handler);
  ~ScopedMessageHandler();
  ScopedMessageHandler(const ScopedMessageHandler&) = delete;
  ScopedMessageHandler& operator=(const ScopedMessageHandler&) = delete;

 private:
  MessageHandler m_previous;
};

}  // namespace korvane
