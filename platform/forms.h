// Forms and their controls. A form is described by one table (kind, name,
// bounds, caption, handler names), close to how its design lists it, and
// its handlers are bound to methods by name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/control.h"
#include "platform/menu.h"

namespace varlo {

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrYes = 6, mrNo = 7 };
enum TBorderStyle : uint8_t { bsSizeable, bsDialog, bsSingle, bsNone };
enum TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction : uint8_t { caNone, caHide, caFree };

using TCloseEvent = std::function<void(TObject& sender, TCloseAction& action)>;
using TDropFilesEvent = std::function<void(TObject& sender, const std::vector<std::string>& names)>;

// The platform's accelerator of a caption: the letter after a single "&".
char AcceleratorOf(std::string_view caption);

class TForm;

class TLabel : public TWinControl {
 public:
  using TWinControl::TWinControl;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  // The control its accelerator gives the focus to.
  TWinControl* FocusControl = nullptr;
  // Whether the label takes the size of its text in its font, whatever
  // the font and the resolution; else its size is fixed.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);

 protected:
  void CreateParams(TCreateParams& params) override;
  void FontChanged() override { AdjustSize(); }

 private:
  void AdjustSize();
  std::string FCaption;
  bool FAutoSize = false;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TWinControl* parent);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  // Pressed by Enter anywhere in the form / by Esc.
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  bool Cancel = false;
  // Closes a modal form with this result when pressed.
  TModalResult ModalResult = mrNone;

  // Presses the button as the user does (nothing when disabled).
  void Press();

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void UserClicked() override { Press(); }

 private:
  std::string FCaption;
  bool FDefault = false;
};

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TWinControl* parent);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  // Toggles as a click does, then OnClick.
  void Toggle();

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void UserClicked() override { Toggle(); }

 private:
  std::string FCaption;
  bool FChecked = false;
};

// A single-line edit box; its text is Shift-JIS bytes.
class TEdit : public TWinControl {
 public:
  explicit TEdit(TWinControl* parent);
  const std::string& Text() const { return FText; }
  // Cut to MaxLength bytes, never splitting a double-byte character.
  void SetText(const std::string& shiftJis);
  // Bytes in code page 932 (a double-byte character counts as two); 0: no limit.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int bytes);
  void SelectAll();
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void UserEdited(const std::string& shiftJis) override;

 private:
  std::string FText;
  int FMaxLength = 0;
};

class TPanel : public TWinControl {
 public:
  using TWinControl::TWinControl;

 protected:
  void CreateParams(TCreateParams& params) override;
};

class TTabSheet;

// A tabbed notebook; its pages are the TTabSheet children.
class TPageControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet& Page(int index) { return *FPages.at(static_cast<size_t>(index)); }
  int ActivePageIndex() const { return FActive; }
  void SetActivePageIndex(int index);
  TNotifyEvent OnChange;

 protected:
  friend class TTabSheet;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void WMSize() override;
  // The tabs' height follows their font.
  void WMSetFont() override { PlacePages(); }
  void UserSelectedPage(int page) override;

 private:
  void PlacePages();
  std::vector<TTabSheet*> FPages;
  int FActive = 0;
};

class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TPageControl* pages);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  std::string FCaption;
};

// --- The declarative description of a form. ---

enum class TControlKind : uint8_t { Label, Button, Edit, CheckBox, Panel, PageControl, TabSheet };

struct TControlDescription {
  TControlKind Kind;
  std::string Name{};
  int Left = 0, Top = 0, Width = 0, Height = 0;
  std::string Caption{};  // UTF-8
  std::string Parent{};   // a panel, notebook or page; empty: the form
  std::string OnClick{};
  std::string OnKeyDown{};
  std::string FocusControl{};  // labels
  bool AutoSize = false;       // labels: sized to their text (Width and Height unused)
  int MaxLength = 0;           // edit boxes, in Shift-JIS bytes
  bool Default = false;        // buttons
  bool Cancel = false;
  TModalResult ModalResult = mrNone;
  bool TabStop = true;
};

struct TFormDescription {
  std::string Name{};
  std::string Caption{};  // UTF-8
  int ClientWidth = 0, ClientHeight = 0;
  TBorderStyle BorderStyle = bsDialog;
  std::string FontName = "System";
  int FontSize = 0;  // points; 0: the toolkit's default height
  std::string OnKeyDown{};
  std::string OnClick{};
  std::string OnClose{};
  bool KeyPreview = false;
  std::vector<TControlDescription> Controls{};
};

// Handlers of a form by name.
class THandlers {
 public:
  THandlers& Notify(const std::string& name, TNotifyEvent handler);
  THandlers& Key(const std::string& name, TKeyEvent handler);
  THandlers& Close(const std::string& name, TCloseEvent handler);
  const TNotifyEvent& NotifyNamed(const std::string& name) const;
  const TKeyEvent& KeyNamed(const std::string& name) const;
  const TCloseEvent& CloseNamed(const std::string& name) const;
  // Every name a handler is given under.
  std::vector<std::string> Names() const;

 private:
  std::map<std::string, TNotifyEvent> FNotify;
  std::map<std::string, TKeyEvent> FKey;
  std::map<std::string, TCloseEvent> FClose;
};

// A form's handlers bound to its methods, each name once:
//   Build(kForm19, Bind(this).On("BtnWrapOnClick", &TForm19::BtnWrapOnClick));
// The kind of event follows from the method's signature.
template <class F>
class TBoundHandlers : public THandlers {
 public:
  explicit TBoundHandlers(F* self) : FSelf(self) {}
  TBoundHandlers& On(const std::string& name, void (F::*method)(TObject&)) {
    Notify(name, [self = FSelf, method](TObject& s) { (self->*method)(s); });
    return *this;
  }
  TBoundHandlers& On(const std::string& name, void (F::*method)(TObject&, uint16_t&, TShiftState)) {
    Key(name, [self = FSelf, method](TObject& s, uint16_t& k, TShiftState sh) {
      (self->*method)(s, k, sh);
    });
    return *this;
  }
  TBoundHandlers& On(const std::string& name, void (F::*method)(TObject&, TCloseAction&)) {
    Close(name, [self = FSelf, method](TObject& s, TCloseAction& a) { (self->*method)(s, a); });
    return *this;
  }

 private:
  F* FSelf;
};

template <class F>
TBoundHandlers<F> Bind(F* self) {
  return TBoundHandlers<F>(self);
}

class TForm : public TWinControl {
 public:
  TForm();
  ~TForm() override;

  // Creates the controls of the description and binds their handlers;
  // an unknown handler or control name, or a handler the description never
  // names, is a programming error (raised).
  void Build(const TFormDescription& form, const THandlers& handlers);
  // A control of the description, by name and kind.
  template <class T>
  T& Control(const std::string& name) {
    auto* c = dynamic_cast<T*>(FindControl(name));
    if (c == nullptr) throw std::logic_error("no control " + name);
    return *c;
  }
  TWinControl* FindControl(const std::string& name);
  // A control the form owns, made in code rather than by the description.
  template <class T>
  T& Owned() {
    FOwned.push_back(std::make_unique<T>(this));
    return static_cast<T&>(*FOwned.back());
  }

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style);
  void SetClientSize(int width, int height);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* menu);
  TPopupMenu* PopupMenu = nullptr;
  bool KeyPreview = false;
  // The control that has the focus when the form is shown.
  TWinControl* ActiveControl = nullptr;

  void Show();
  void Hide();
  // Asks the form to close: OnClose may refuse (caNone). A modal form then
  // ends its modal loop; the main form ends the program.
  void Close();
  // Shows the form and runs its own message loop until it closes.
  TModalResult ShowModal();
  bool Modal() const { return FModal; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult result);
  bool Closed() const { return FClosed; }
  // Runs OnDestroy once, before the form goes away.
  void Destroy();
  // Registers the window for dropped files.
  void AcceptFiles(bool accept);

  TNotifyEvent OnDestroy;
  TCloseEvent OnClose;
  TDropFilesEvent OnDropFiles;

 protected:
  friend class FormEvents;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  TRect ScaledBounds(int ppi) override;
  // Keys before the focused control: menu shortcuts, Enter and Esc.
  virtual bool FormKey(uint16_t key, TShiftState shift);
  virtual bool Accelerator(char letter);
  virtual void WMDropFiles(const std::vector<std::string>& names);

 private:
  void Collect(TWinControl& from, std::vector<TWinControl*>& into);
  // What the frame adds to the client area at this resolution.
  TSize FrameSize(int ppi);
  std::vector<std::unique_ptr<TWinControl>> FOwned;
  std::string FCaption;
  TBorderStyle FBorderStyle = bsSizeable;
  TMainMenu* FMenu = nullptr;
  TModalResult FModalResult = mrNone;
  bool FModal = false;
  bool FClosed = false;
  bool FDestroyed = false;
};

// The entry points through which a backend delivers what only a form gets.
// Each is a dispatch boundary, as those of ControlEvents are.
class FormEvents {
 public:
  // The close box or Alt+F4 (the form decides).
  static void CloseRequested(TForm& form);
  // Keys a form looks at before its controls (menu shortcuts, Enter and
  // Esc for default and cancel buttons); true when it took the key.
  static bool Key(TForm& form, uint16_t key, TShiftState shift);
  static bool Accelerator(TForm& form, char letter);
  static void DropFiles(TForm& form, const std::vector<std::string>& utf8Names);
  // The system's session ends with the program running: the main form's
  // OnDestroy (which saves what is to be kept) runs now, since nothing
  // runs after.
  static void SessionEnding(TForm& form);
};

// Left and top that centre a form of this size on the primary screen.
TPoint CenteredOnScreen(int width, int height);

}  // namespace varlo
