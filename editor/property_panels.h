// The five property panels: each shows one item of the seal and writes
// every edit straight into the model, then redraws. Filling a panel from
// the model writes nothing back and redraws nothing; a combo box writes the
// item a user picks even when it is the one shown.
#pragma once

#include <QLineEdit>
#include <QObject>
#include <string>

#include "document/seal_document.h"
#include "drawing/gfx/gfx_objects.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;

namespace korvane {

class CanvasPanel;

// What the panels need of the window.
class PanelHost {
 public:
  virtual ~PanelHost() = default;
  virtual SealDocument& Document() = 0;
  virtual void RedrawPreview() = 0;
  // The tiled checkerboard, for swatches whose colour is "none".
  virtual const GfxTextureBrush& CheckerBrush() = 0;
};

// An edit box that reports the mouse wheel: +1 turned away from the user,
// -1 towards.
class WheelLineEdit : public QLineEdit {
  Q_OBJECT

 public:
  using QLineEdit::QLineEdit;

 signals:
  void Wheel(int step);

 protected:
  void wheelEvent(QWheelEvent* event) override;
};

class PropertyPanels : public QObject {
  Q_OBJECT

 public:
  PropertyPanels(PanelHost& host, QGroupBox* seal, QGroupBox* text, QGroupBox* frame, QGroupBox* clip,
                 QGroupBox* figure);

  // Fill a panel from the model (item from 0).
  void FillSeal();
  void FillText(int item);
  void FillFrame(int item);
  void FillClip();
  void FillFigure(int item);

  int CurrentText() const { return m_currentText; }
  int CurrentFrame() const { return m_currentFrame; }
  int CurrentFigure() const { return m_currentFigure; }
  void ResetIndexes() { m_currentText = m_currentFrame = m_currentFigure = 1; }

  // Paints a swatch with a colour, or the checkerboard for -1.
  void PaintSwatch(CanvasPanel* swatch, SealColor colour);

 private:
  enum class Guard { None, Text, Frame, Figure };
  // Marks a panel being filled for as long as it lives.
  struct Filling {
    explicit Filling(bool& flag) : m_flag(flag) { m_flag = true; }
    ~Filling() { m_flag = false; }
    bool& m_flag;
  };
  void buildSeal(QGroupBox* box);
  void buildText(QGroupBox* box);
  void buildFrame(QGroupBox* box);
  void buildClip(QGroupBox* box);
  void buildFigure(QGroupBox* box);
  QLineEdit* numeric(QGroupBox* box, const char* name, const char* label, int x, int y, Guard guard,
                     int32_t* (*field)(SealDocument&, int), int width = 108);
  QLineEdit* edit(QGroupBox* box, const char* name, const char* label, int x, int y, int width = 108);
  QComboBox* combo(QGroupBox* box, const char* name, const char* label, int x, int y,
                   std::initializer_list<std::pair<const char*, int>> items);
  CanvasPanel* swatch(QGroupBox* box, const char* name, int x, int y, int w, int h, QLineEdit* colourBox);
  bool valid(Guard guard) const;
  int index(Guard guard) const;

  void onSealTransparent(bool ticked);
  void onFrameTransparent(bool ticked);
  void onDefaultFont(bool ticked);
  void onSetFont();
  void onBrowse();

  PanelHost& m_host;
  int m_currentText = 1, m_currentFrame = 1, m_currentFigure = 1;
  bool m_filling = false;
  QLineEdit* m_sealWidth = nullptr;
  QLineEdit* m_sealHeight = nullptr;
  QLineEdit* m_sealColour = nullptr;
  CanvasPanel* m_sealSwatch = nullptr;
  QCheckBox* m_sealTransparent = nullptr;
  QLineEdit *m_textText = nullptr, *m_textWidth = nullptr, *m_textHeight = nullptr, *m_textFont = nullptr;
  QPushButton* m_setFont = nullptr;
  QCheckBox* m_defaultFont = nullptr;
  QLineEdit *m_textSize = nullptr, *m_textColour = nullptr, *m_textSpacing = nullptr, *m_textOffsetX = nullptr,
            *m_textOffsetY = nullptr;
  CanvasPanel* m_textSwatch = nullptr;
  QComboBox* m_textStyle = nullptr;
  QComboBox* m_frameType = nullptr;
  QLineEdit *m_frameWidth = nullptr, *m_frameHeight = nullptr, *m_frameRound = nullptr, *m_frameLineWidth = nullptr,
            *m_frameColour = nullptr, *m_frameBack = nullptr;
  CanvasPanel *m_frameSwatch = nullptr, *m_frameBackSwatch = nullptr;
  QCheckBox* m_frameTransparent = nullptr;
  QLineEdit *m_clipLeft = nullptr, *m_clipTop = nullptr, *m_clipWidth = nullptr, *m_clipHeight = nullptr,
            *m_clipRound = nullptr;
  QComboBox* m_figureType = nullptr;
  QLineEdit *m_figureWidth = nullptr, *m_figureHeight = nullptr, *m_figureLineWidth = nullptr,
            *m_figureRound = nullptr, *m_figureColour = nullptr, *m_figureOffsetX = nullptr,
            *m_figureOffsetY = nullptr, *m_figurePath = nullptr;
  CanvasPanel* m_figureSwatch = nullptr;
  QPushButton* m_browse = nullptr;
};

}  // namespace korvane
