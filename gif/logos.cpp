#include "gif/logos.h"

#include <QFile>

namespace gif {

namespace {

platform::Bytes ResourceBytes(const char* name) {
  QFile file(QString::fromUtf8(name));
  if (!file.open(QIODevice::ReadOnly))
    throw platform::FileError(std::string("The logo ") + name + " is missing from the program");
  const QByteArray data = file.readAll();
  return platform::Bytes(data.begin(), data.end());
}

std::unique_ptr<TGIFImage> Load(const platform::Bytes& bytes) {
  auto image = std::make_unique<TGIFImage>();
  platform::ByteReader reader(bytes);
  image->LoadFromStream(reader);
  return image;
}

}  // namespace

platform::Bytes SplashLogoBytes() { return ResourceBytes(kSplashLogoResource); }
platform::Bytes AboutLogoBytes() { return ResourceBytes(kAboutLogoResource); }

std::unique_ptr<TGIFImage> LoadSplashLogo() { return Load(SplashLogoBytes()); }
std::unique_ptr<TGIFImage> LoadAboutLogo() { return Load(AboutLogoBytes()); }

}  // namespace gif
