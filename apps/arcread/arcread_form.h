#pragma once
// The window of arcread: the archive reader over a direct line, with the whole-archive read
// and the meter's GSM settings.
#include "archive/archive_window.h"

namespace arcread {

class TForm1 : public archive::ArchiveWindow {
 public:
  TForm1(platform::EventLoop& loop, platform::DeviceFactory ports, std::string dataDir);

  void Button11Click();  // read the whole archive into the files
  void Button5Click();   // write the GSM settings
  void Button6Click();   // read the GSM settings
  void Button13Click();  // show the GSM settings

 protected:
  report::ExportOptions ExportOptionsNow() const override;
  void AfterArchiveExport() override;
  void EnableAfterStart() override;
};

}  // namespace arcread
