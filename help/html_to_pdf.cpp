// Build-time tool: prints an HTML file (with the style sheets and pictures it names beside it) to a
// PDF file on A4 paper. Runs without a display (QT_QPA_PLATFORM=offscreen).
//
//   html_to_pdf help/Velkora-Tutor1.html build/bin/hlp/Velkora-Tutor1.pdf
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: html_to_pdf input.html output.pdf\n");
    return 2;
  }
  QFile input(QString::fromLocal8Bit(argv[1]));
  if (!input.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "html_to_pdf: cannot read %s\n", argv[1]);
    return 1;
  }
  QTextDocument document;
  // Relative style sheets and pictures are read from the input's folder.
  document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(input).absoluteFilePath()));
  document.setHtml(QString::fromUtf8(input.readAll()));

  QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
  writer.setResolution(300);
  writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
  writer.setCreator(QStringLiteral("Velkora"));
  document.print(&writer);
  if (!QFileInfo(QString::fromLocal8Bit(argv[2])).size()) {
    std::fprintf(stderr, "html_to_pdf: nothing written to %s\n", argv[2]);
    return 1;
  }
  return 0;
}
