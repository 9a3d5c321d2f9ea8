// The target of a link label, without a widget: the prefix of its kind followed by the address, and
// for a mail link the header fields (subject, body, blind copy, copy) in the order mail programs
// have always read them.
#pragma once

#include <string>
#include <vector>

namespace app {

enum class TUrlType { utCustom, utFile, utFtp, utGopher, utHttp, utHttps, utMail, utNews, utTelnet, utWais };

struct UrlTarget {
  TUrlType UrlType = TUrlType::utHttp;
  // The address without its prefix.
  std::string Url;
  // The prefix of utCustom, used as it stands.
  std::string CustomUrlType;
  std::string MailSubject;
  // Lines of a mail's body; each ends with CR LF in the address.
  std::vector<std::string> MailBody;
  std::string Bcc;
  std::string Cc;

  // "http://" + Url, "mailto:a?Subject=S&Body=l1%0A%0Dl2%0A%0D", ...
  std::string FullUrl() const;
};

}  // namespace app
