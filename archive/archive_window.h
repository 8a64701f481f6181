#pragma once
// What the two archive windows share: the controls of the link settings, the clock, the
// archive gauge and file stamp, the text log, the status bar and the hidden step buttons, and
// the handlers of Start, Stop, the device clock, the parameter sheet and the export. Each
// program's window derives from it and adds its own group of controls.
#include <functional>
#include <string>

#include "archive/engine.h"
#include "archive/export_files.h"
#include "archive/record_store.h"
#include "export/export.h"
#include "platform/controls.h"
#include "platform/serial.h"

namespace archive {

struct Rect {
  int left, top, width, height;
};

// Where a window puts its groups; the controls inside the shared groups follow.
struct WindowLayout {
  Rect start, stop, link, time, archive, gsm, params, memo;
};

struct WindowTraits {
  const EngineRules* rules;
  const char* caption;
  int width, height;
  WindowLayout layout;
  const char* gsmGroupCaption;
  const char* gsmLabelCaption;
  // arcgsm: the device buttons wait for the modem call, and the clock and parameter reads
  // count their good replies on the gauge.
  bool viaModem;
};

class ArchiveWindow : public platform::Form {
 public:
  ArchiveWindow(const WindowTraits& traits, platform::EventLoop& loop,
                platform::DeviceFactory ports, std::string dataDir);
  ~ArchiveWindow() override;

  // Visible controls.
  platform::Panel* Panel1;
  platform::Button *Button2, *Button3;
  platform::GroupBox *GroupBox16, *GroupBox3, *GroupBox1, *GroupBox2;
  platform::Label *Label3, *Label4, *Label2, *Label70, *Label6, *Label1;
  platform::ComboBox *ComboBox10, *ComboBox11, *ComboBox1;
  platform::Button *Button7, *Button10, *Button5, *Button6, *Button1, *Button11;
  platform::Gauge* Gauge1;
  platform::Edit *Edit2, *Edit1;
  platform::Memo* Memo1;
  platform::StatusBar* StatusBar1;
  // Hidden controls: the internal steps and the exchange flag.
  platform::Button *Button9, *Button8, *Button4, *Button12, *Button13;
  platform::CheckBox* CheckBox4;

  platform::EventLoop& loop;
  platform::Timer Timer1, Timer2;
  platform::MSComm MSComm1;
  RecordStore store;
  Engine engine;

  // Handlers shared by both programs.
  void Button2Click();  // Start
  void Button3Click();  // Stop
  void Button7Click();  // read the device clock
  void Button10Click(); // set the device clock from the PC clock
  void Button8Click();  // show the device clock
  void Button1Click();  // read the parameters
  void Button4Click();  // show the parameter sheet
  void Button9Click();  // console-mode request
  void Button12Click(); // export the archive into the files of this connection
  void Timer1Timer();   // PC clock
  void Timer2Timer();   // empties the gauge after a display

  // Ends the connection as the operator would: Stop (a program with a modem call hangs up
  // first and stops when that is done).
  virtual void EndConnection() { Button3->Click(); }

  // Further forms of each export (CSV files, charts), from the same rows as the reports; set
  // by the program when the operator asks for them.
  std::function<void(const report::ArchiveSeries& series, const std::string& stamp)> ExtraExports;

  // The folder the reports go to, as messages name it.
  std::string ArchiveFolder() const { return dataDir_ + "arc/"; }
  const std::string& DataDir() const { return dataDir_; }

 protected:
  // The window's creation steps common to both programs: the file stamp and the PC clock.
  void FormCreate();
  // Which reports an export writes now.
  virtual report::ExportOptions ExportOptionsNow() const = 0;
  // What follows the export of a completed archive read (Stop, or the hang-up).
  virtual void AfterArchiveExport() = 0;
  // The device buttons that Start enables in this program.
  virtual void EnableAfterStart() = 0;
  // The controls Stop returns to their initial state beyond the shared ones.
  virtual void DisableAfterStop() {}
  // Records the operation's gauge settings for the programs that count good replies.
  void CountOnGauge(int maximum);

  const WindowTraits& traits_;

 private:
  EngineView BuildControls(const WindowTraits& traits);
  void LayOutSharedGroups();
  void AddShadow(const Rect& r);
  void ConnectHandlers();
  void OpenPort();
  std::vector<std::string> ExportPaths(const std::string& stamp) const;
  void EnableConnectionControls(bool connected);

  const std::string dataDir_;
  ExportFileSet files_;
};

// The control captions and items both archive windows use.
extern const std::vector<std::string> kLineSettingsItems;
std::vector<std::string> AddressItems();

}  // namespace archive
