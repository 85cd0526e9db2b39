// ReportApp is the concrete application: it fixes the name "Quorvel" and the
// version "1.10" and runs the program in one of its two modes, the dialog when
// there are no arguments and a single command-line run otherwise. The entry
// operation owns the one object and publishes it in theApplication.
#pragma once

#include "app/application.h"

namespace qv {

class ReportApp : public Application {
 public:
  ReportApp();

  // Command-line mode: 0 when the report was written, 1 for an argument that
  // is not an option (shown as error 87), 2 when generation failed (shown,
  // unless "ne" was given). A build without the dialog returns 15 when there
  // are no arguments, after saying so.
  int run(const StringList& arguments) override;
};

// The one application object while the program runs; null before and after.
extern ReportApp* theApplication;

}  // namespace qv
