#include "app/url_target.h"

namespace app {
namespace {

const char* Prefix(TUrlType type) {
  switch (type) {
    case TUrlType::utFile: return "file://";
    case TUrlType::utFtp: return "ftp://";
    case TUrlType::utGopher: return "gopher://";
    case TUrlType::utHttp: return "http://";
    case TUrlType::utHttps: return "https://";
    case TUrlType::utMail: return "mailto:";
    case TUrlType::utNews: return "news:";
    case TUrlType::utTelnet: return "telnet:";
    case TUrlType::utWais: return "wais:";
    case TUrlType::utCustom: break;
  }
  return "";
}

// Every CR LF as the escape of the line feed and then that of the carriage return.
std::string EscapeLineBreaks(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "%0A%0D";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string UrlTarget::FullUrl() const {
  if (UrlType == TUrlType::utCustom) return CustomUrlType + Url;
  std::string full = Prefix(UrlType) + Url;
  if (UrlType != TUrlType::utMail) return full;
  std::string body;
  for (const std::string& line : MailBody) body += line + "\r\n";
  bool first = true;
  auto field = [&](const char* name, const std::string& value) {
    if (value.empty()) return;
    full += first ? '?' : '&';
    full += name;
    full += value;
    first = false;
  };
  field("Subject=", MailSubject);
  field("Body=", EscapeLineBreaks(body));
  field("Bcc=", Bcc);
  field("Cc=", Cc);
  return full;
}

}  // namespace app
