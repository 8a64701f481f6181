#pragma once
// The window of linkmon: line settings, address, port and poll period; Start and Stop; the
// current flow, counter, operating time and state lamp of both channels; the status bar and
// the cycle gauge.
#include <string>
#include <vector>

#include "monitor/poll_cycle.h"
#include "platform/controls.h"
#include "platform/event_loop.h"
#include "platform/serial.h"

namespace linkmon {

using namespace platform;

class TForm1 : public Form {
 public:
  // `portItems`: the port list's items, "1" and "2" first.
  TForm1(EventLoop& loop, DeviceFactory ports, std::vector<std::string> portItems);

  void RadioButton1Click();  // period 0,1 s
  void RadioButton2Click();  // period 0,2 s
  void RadioButton3Click();  // period 0,5 s
  void RadioButton4Click();  // period 1,0 s

  Panel* Panel1 = add<Panel>("Panel1", nullptr);
  // Shadows behind the settings group and the two channel groups.
  Shape* Shape3 = add<Shape>("Shape3", Panel1);
  Shape* Shape4 = add<Shape>("Shape4", Panel1);
  Shape* Shape5 = add<Shape>("Shape5", Panel1);

  GroupBox* GroupBox3 = add<GroupBox>("GroupBox3", Panel1);  // "Параметры связи"
  Label* Label3 = add<Label>("Label3", GroupBox3);
  ComboBox* ComboBox10 = add<ComboBox>("ComboBox10", GroupBox3);  // line settings
  Label* Label4 = add<Label>("Label4", GroupBox3);
  ComboBox* ComboBox11 = add<ComboBox>("ComboBox11", GroupBox3);  // device address
  Label* Label17 = add<Label>("Label17", GroupBox3);
  ComboBox* ComboBox1 = add<ComboBox>("ComboBox1", GroupBox3);  // port
  Label* Label15 = add<Label>("Label15", GroupBox3);
  RadioButton* RadioButton1 = add<RadioButton>("RadioButton1", GroupBox3);
  RadioButton* RadioButton2 = add<RadioButton>("RadioButton2", GroupBox3);
  RadioButton* RadioButton3 = add<RadioButton>("RadioButton3", GroupBox3);
  RadioButton* RadioButton4 = add<RadioButton>("RadioButton4", GroupBox3);
  Gauge* Gauge1 = add<Gauge>("Gauge1", GroupBox3);

  Button* Button2 = add<Button>("Button2", Panel1);    // "Старт"
  Button* Button1 = add<Button>("Button1", Panel1);    // "Стоп"
  Button* Button15 = add<Button>("Button15", Panel1);  // hidden request sender

  GroupBox* GroupBox1 = add<GroupBox>("GroupBox1", Panel1);  // "Канал №1"
  Shape* Shape1 = add<Shape>("Shape1", GroupBox1);
  Label* Label12 = add<Label>("Label12", GroupBox1);
  Panel* Panel2 = add<Panel>("Panel2", GroupBox1);
  Label* Label9 = add<Label>("Label9", Panel2);
  Label* Label1 = add<Label>("Label1", Panel2);  // current flow
  Panel* Panel3 = add<Panel>("Panel3", GroupBox1);
  Label* Label10 = add<Label>("Label10", Panel3);
  Label* Label2 = add<Label>("Label2", Panel3);  // counter
  Panel* Panel4 = add<Panel>("Panel4", GroupBox1);
  Label* Label11 = add<Label>("Label11", Panel4);
  Label* Label5 = add<Label>("Label5", Panel4);  // operating time

  GroupBox* GroupBox2 = add<GroupBox>("GroupBox2", Panel1);  // "Канал №2"
  Shape* Shape2 = add<Shape>("Shape2", GroupBox2);
  Label* Label13 = add<Label>("Label13", GroupBox2);
  Panel* Panel5 = add<Panel>("Panel5", GroupBox2);
  Label* Label14 = add<Label>("Label14", Panel5);
  Label* Label6 = add<Label>("Label6", Panel5);  // current flow
  Panel* Panel6 = add<Panel>("Panel6", GroupBox2);
  Label* Label16 = add<Label>("Label16", Panel6);
  Label* Label7 = add<Label>("Label7", Panel6);  // counter
  Panel* Panel7 = add<Panel>("Panel7", GroupBox2);
  Label* Label18 = add<Label>("Label18", Panel7);
  Label* Label8 = add<Label>("Label8", Panel7);  // operating time

  StatusBar* StatusBar1 = add<StatusBar>("StatusBar1", nullptr);

  Timer Timer1;  // poll tick
  Timer Timer2;  // reply reader
  MSComm MSComm1;
  monitor::PollCycle Poll;

 private:
  void LayOutSettings(std::vector<std::string> portItems);
  void LayOutButtons();
  void LayOutChannel(GroupBox& group, const char* caption, int left, Shape& shadow, Shape& lamp,
                     Label& lampText);
  void LayOutRow(Panel& row, int top, Label& caption, const char* text, Label& value);
  void ChoosePeriod(RadioButton& chosen, int intervalMs);
};

}  // namespace linkmon
