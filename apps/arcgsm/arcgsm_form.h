#pragma once
// The window of arcgsm: the archive reader through a GSM modem call. Beyond the shared
// archive window it has the node directory, the call ("Соединится", "Разорвать связь") on
// three one-shot timers, and the archive read of a chosen interval of days or by months.
// The device commands are enabled only when the call's answer wait has ended.
#include <cstdint>

#include "archive/archive_window.h"
#include "archive/range_selection.h"
#include "gsm/node_directory.h"

namespace arcgsm {

class TForm1 : public archive::ArchiveWindow {
 public:
  TForm1(platform::EventLoop& loop, platform::DeviceFactory ports, std::string dataDir);

  // The archive range: date, day count and the two read buttons; Button11 is hidden.
  platform::Label *Label5, *Label7;
  platform::DatePicker* DateTimePicker1;
  platform::ComboBox* ComboBox2;
  platform::Button *Button14, *Button15;
  // The node list of the "GSM связь (CSD):" group.
  platform::ComboBox* ComboBox3;

  platform::Timer Timer3;  // end of the answer wait after dialling
  platform::Timer Timer4;  // hang-up command after the escape
  platform::Timer Timer5;  // Stop after the hang-up command

  gsm::NodeDirectory Nodes;
  std::uint16_t PickedYear = 0, PickedMonth = 0, PickedDay = 0;
  std::int32_t ReadByInterval = 0;  // ReadByMonths is the engine's: it switches the ring wrap

  void Button14Click();  // read the interval
  void Button15Click();  // read by months
  void Button11Click();  // start the archive read of the chosen range
  void DateTimePicker1Change();
  void ComboBox3Change();  // the chosen node's number into the number field
  void Button5Click();     // dial
  void Button6Click();     // hang up: the escape
  void EndConnection() override;  // hangs up a call first
  void Timer3Timer();      // the answer wait ended: the commands
  void Timer4Timer();      // the hang-up command
  void Timer5Timer();      // Stop

 protected:
  report::ExportOptions ExportOptionsNow() const override;
  void AfterArchiveExport() override;
  void EnableAfterStart() override;
  void DisableAfterStop() override;

 private:
  void BuildRangeControls();
  void BuildCallControls();
  void ConnectArcgsmHandlers();
  void FormCreate();
  // The commands of a connected call: the device reads and the hang-up.
  void EnableCallCommands(bool enabled);
  void LogAnswer();
  void ShowShortening(bool shortened);
};

}  // namespace arcgsm
