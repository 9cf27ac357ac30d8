// The five property panels, each a small class over its form: the seal's
// size and background, a text, a frame, the clip band, a figure. Each shows
// one item of the seal and writes every edit straight into the model, then
// redraws. Filling a panel from the model writes nothing back and redraws
// nothing; a combo box writes the item a user picks even when it is the one
// shown.
#pragma once

#include <QObject>

#include "editor/panel_form.h"

namespace korvane {

class SealPanel : public QObject {
  Q_OBJECT

 public:
  SealPanel(PanelHost& host, QGroupBox* box);
  void Fill();

 private:
  void onTransparent(bool ticked);

  PanelForm m_form;
  QLineEdit *m_width, *m_height, *m_size;
  QCheckBox* m_transparent;
  PanelForm::ColourField m_back;
};

class TextPanel : public QObject {
  Q_OBJECT

 public:
  TextPanel(PanelHost& host, QGroupBox* box);
  void Fill(int item);
  int Current() const { return m_form.CurrentItem(); }
  void SetCurrent(int item) { m_form.SetCurrentItem(item); }

 private:
  void onDefaultFont(bool ticked);
  void onSetFont();

  PanelForm m_form;
  QLineEdit *m_text, *m_width, *m_height, *m_font, *m_size, *m_spacing, *m_offsetX, *m_offsetY, *m_sweep, *m_stretch;
  QPushButton* m_setFont;
  QCheckBox* m_defaultFont;
  PanelForm::ColourField m_colour;
  QComboBox* m_style;
};

class FramePanel : public QObject {
  Q_OBJECT

 public:
  FramePanel(PanelHost& host, QGroupBox* box);
  void Fill(int item);
  int Current() const { return m_form.CurrentItem(); }
  void SetCurrent(int item) { m_form.SetCurrentItem(item); }

 private:
  void onTransparent(bool ticked);

  PanelForm m_form;
  QComboBox* m_type;
  QLineEdit *m_width, *m_height, *m_round, *m_lineWidth;
  QCheckBox* m_transparent;
  PanelForm::ColourField m_line, m_back;
};

class ClipPanel : public QObject {
  Q_OBJECT

 public:
  ClipPanel(PanelHost& host, QGroupBox* box);
  void Fill();

 private:
  PanelForm m_form;
  QLineEdit *m_left, *m_top, *m_width, *m_height, *m_round;
};

class FigurePanel : public QObject {
  Q_OBJECT

 public:
  FigurePanel(PanelHost& host, QGroupBox* box);
  void Fill(int item);
  int Current() const { return m_form.CurrentItem(); }
  void SetCurrent(int item) { m_form.SetCurrentItem(item); }

 private:
  void onBrowse();

  PanelForm m_form;
  QComboBox* m_type;
  QLineEdit *m_width, *m_height, *m_lineWidth, *m_round, *m_offsetX, *m_offsetY, *m_path;
  PanelForm::ColourField m_colour;
};

// The five panels together, as the window drives them.
class PropertyPanels {
 public:
  PropertyPanels(PanelHost& host, QGroupBox* seal, QGroupBox* text, QGroupBox* frame, QGroupBox* clip,
                 QGroupBox* figure)
      : m_seal(new SealPanel(host, seal)),
        m_text(new TextPanel(host, text)),
        m_frame(new FramePanel(host, frame)),
        m_clip(new ClipPanel(host, clip)),
        m_figure(new FigurePanel(host, figure)) {}

  // Fill a panel from the model (item from 0).
  void FillSeal() { m_seal->Fill(); }
  void FillText(int item) { m_text->Fill(item); }
  void FillFrame(int item) { m_frame->Fill(item); }
  void FillClip() { m_clip->Fill(); }
  void FillFigure(int item) { m_figure->Fill(item); }

  // The item each panel edits, from 1.
  int CurrentText() const { return m_text->Current(); }
  int CurrentFrame() const { return m_frame->Current(); }
  int CurrentFigure() const { return m_figure->Current(); }
  void ResetIndexes() {
    m_text->SetCurrent(1);
    m_frame->SetCurrent(1);
    m_figure->SetCurrent(1);
  }

 private:
  // Owned by their group boxes.
  SealPanel* m_seal;
  TextPanel* m_text;
  FramePanel* m_frame;
  ClipPanel* m_clip;
  FigurePanel* m_figure;
};

}  // namespace korvane
