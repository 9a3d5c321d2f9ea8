// The job a user works on: the picture and its relief, the NC file and what Calculate made of it, the
// "Z no cut" pick, the document it lives in and whether it changed since. The main window holds one and
// only shows it; New and Open start the next job with Reset, Save and Calculate read it. What carries
// over from one job to the next are the user's defaults: the tool, the post-processor, the cutting
// values and the depths (their fields keep their texts); everything tied to the picture starts afresh.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "machining/post_processor.h"
#include "machining/relief.h"
#include "machining/relief_model.h"
#include "platform/binary_stream.h"
#include "platform/bitmap.h"

namespace machining {

struct Job {
  // The working bitmap and the crop result.
  std::unique_ptr<platform::Bitmap> workBitmap;
  std::unique_ptr<platform::Bitmap> secondBitmap;
  ReliefModel relief;
  // The NC file, the tool's texts for the template keys, the reference height.
  NcJob nc;
  // The user chose the NC file in the NC-file dialog (answering the question over an existing one), or
  // this job wrote it: Calculate may write over it. A name that came with a document is not chosen.
  bool ncFileChosen = false;
  bool programComputed = false;
  int referenceCode = 0;  // the reference point's radio button, 0 none
  // "Z no cut": the switch and the picked height (none: kZNoCutNone).
  bool zNoCutOn = false;
  float zNoCutHeight = kZNoCutNone;
  float zNoCutTolerance = 0.1f;  // txtFiltroZNC as the surface last took it
  bool timeShown = false;        // the machining time shows over the relief
  // The name the save dialog proposes: the last file opened or saved.
  std::string documentFile;
  // The document (".qvx") the job was last opened from or saved to; empty for a job never saved.
  std::string savedDocument;
  // What the job's document held when it was last opened or saved; none before.
  std::optional<uint64_t> savedFingerprint;

  // The next job: the picture, its relief and box, the NC file and program, the pick and the document
  // go; the depths, the stock to leave and the "Z no cut" tolerance stay as the user set them.
  void Reset();
  // Remembers `fingerprint` as the job's saved state.
  void MarkSaved(uint64_t fingerprint) { savedFingerprint = fingerprint; }
  // True when a job with a picture differs from what was last opened or saved (never saved counts as
  // changed once it differs from how it was opened); false without a picture.
  bool Changed(std::optional<uint64_t> current) const;
};

// A fingerprint of a job's document: the record's bytes, then the picture's size, format and pixels.
uint64_t JobFingerprint(const platform::Bitmap* picture, const platform::Bytes& record);

}  // namespace machining
