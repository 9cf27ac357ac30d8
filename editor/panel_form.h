// A property panel's form: each field is made and wired in one line that
// names its widget, its place and the model field it edits. A user's edit
// writes that field of the panel's current item and redraws; filling the
// panel from the model writes nothing back and redraws nothing.
#pragma once

#include <QLineEdit>
#include <QObject>
#include <QRect>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

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
  // The control the next change comes from (for undo steps), or null.
  virtual void NoteEditSource(const QObject* source) { (void)source; }
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

// Paints a swatch with a colour, or the checkerboard for -1.
void PaintSwatch(PanelHost& host, CanvasPanel* swatch, SealColor colour);

class PanelForm : public QObject {
  Q_OBJECT

 public:
  // The model field a widget edits, for the panel's current item (from 0).
  template <typename T>
  using Field = std::function<T&(SealDocument&, int item)>;

  // `count` items (1 for the seal and the clip band); the current one is
  // CurrentItem() - 1.
  PanelForm(PanelHost& host, QGroupBox* box, int count);

  // 1-based, as the window reports it; edits go to this item.
  int CurrentItem() const { return m_current; }
  void SetCurrentItem(int item) { m_current = item; }
  // Whether an edit may write now: not while filling, and only to an item
  // that exists.
  bool Writable() const { return !m_filling && m_current >= 1 && m_current <= m_count; }
  // Writes through `write` when writable, then redraws.
  void Write(const std::function<void(SealDocument&, int item)>& write);

  // Marks the panel as being filled for as long as it lives.
  class Filling {
   public:
    explicit Filling(PanelForm& form) : m_form(form) { m_form.m_filling = true; }
    ~Filling() { m_form.m_filling = false; }

   private:
    PanelForm& m_form;
  };

  // A plain edit box with its label to the left, from `labelFrom`.
  QLineEdit* Edit(const char* name, const char* label, int x, int y, int width = 108, int labelFrom = 4);
  // A whole number by the typing rules. Text those rules read only in part
  // ("12.7", "0x1F", letters) is framed in red, with the value used as tip.
  QLineEdit* Number(const char* name, const char* label, int x, int y, Field<int32_t> field, int width = 108,
                    int labelFrom = 4);
  // Millimetres, a plain decimal (0: none); marked like a number.
  QLineEdit* Millimetres(const char* name, const char* label, int x, int y, Field<double> field, int width = 108);
  // A number the mouse wheel steps by one.
  QLineEdit* WheelNumber(const char* name, const char* label, int x, int y, Field<int32_t> field);
  // Words.
  QLineEdit* Text(const char* name, const char* label, int x, int y, Field<std::string> field);
  // A colour typed as BBGGRR, with its swatch (a click picks a colour and
  // types it in the box). While `transparent` (when given) is ticked,
  // nothing is written.
  struct ColourField {
    QLineEdit* box;
    CanvasPanel* swatch;
  };
  ColourField Colour(const char* name, const char* label, int x, int y, int width, const char* swatchName,
                     QRect swatch, Field<SealColor> field, QCheckBox* transparent = nullptr);
  // Shows a colour in its box and swatch ("透明" and the checkerboard for
  // none when the field has a transparent box).
  void ShowColour(const ColourField& colour, SealColor value, QCheckBox* transparent = nullptr);
  // A choice among items with their values; a pick writes its value even
  // when it is the item already shown.
  QComboBox* Choice(const char* name, const char* label, int x, int y,
                    std::initializer_list<std::pair<const char*, int>> items, Field<int32_t> field);
  // A check box.
  QCheckBox* Check(const char* name, const char* caption, QRect place);
  QPushButton* Button(const char* name, const char* caption, QRect place);

  PanelHost& Host() { return m_host; }
  QGroupBox* Box() const { return m_box; }

 private:
  PanelHost& m_host;
  QGroupBox* m_box;
  int m_count;
  int m_current = 1;
  bool m_filling = false;
};

}  // namespace korvane
