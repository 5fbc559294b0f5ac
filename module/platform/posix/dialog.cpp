#include "platform/dialog.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/posix/compiled_resources.h"
#include "platform/posix/list_box_control.h"
#include "platform/posix/terminal_dialog.h"

// The window DoModal builds from a template: one list-box control per LISTBOX entry (the
// buttons need no window of their own), the controls attached to members, and the result. Its
// handle leads back to it.
class DialogWindow {
 public:
  explicit DialogWindow(const DialogTemplate& dialogTemplate) : template_(dialogTemplate) {
    window_.userData = this;
    for (const DialogControl& control : Controls()) {
      if (IsListBox(control))
        listBoxes_.push_back({control.id, std::make_unique<ListBoxControl>()});
    }
  }
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;
  // Members attached to controls let go of them when the window goes.
  ~DialogWindow() {
    for (CWnd* control : attached_) control->m_hWnd = nullptr;
  }

  HWND Handle() { return &window_; }
  HWND Control(int id) const {
    ListBoxControl* listBox = ListBoxOf(id);
    return listBox != nullptr ? listBox->Handle() : nullptr;
  }
  void Attach(CWnd& member, HWND control) {
    member.m_hWnd = control;
    attached_.push_back(&member);
  }
  // The list box the keys move (the dialog's first).
  ListBoxControl* KeyedListBox() const {
    return listBoxes_.empty() ? nullptr : listBoxes_.front().second.get();
  }

  void End(int result) {
    result_ = result;
    ended_ = true;
  }
  bool Ended() const { return ended_; }
  int Result() const { return result_; }

  std::vector<std::string> Render() const;

 private:
  std::span<const DialogControl> Controls() const {
    return {template_.controls, static_cast<size_t>(std::max(template_.controlCount, 0))};
  }
  static bool IsListBox(const DialogControl& control) {
    return std::string_view(control.windowClass) == "LISTBOX";
  }
  ListBoxControl* ListBoxOf(int id) const {
    for (const auto& [controlId, listBox] : listBoxes_) {
      if (controlId == id) return listBox.get();
    }
    return nullptr;
  }

  const DialogTemplate& template_;
  HWND__ window_{};
  std::vector<std::pair<int, std::unique_ptr<ListBoxControl>>> listBoxes_;
  std::vector<CWnd*> attached_;
  bool ended_ = false;
  int result_ = IDCANCEL;
};

namespace {

// Dialog units to character cells: a cell is about four units wide and eight high.
constexpr int kUnitsPerColumn = 4;
constexpr int kUnitsPerRow = 8;
constexpr std::string_view kKeyLegend = " Up/Down or line number, Enter: OK, Esc: Cancel";

struct Cells {
  int left, top, width, height;
};
Cells CellsOf(int x, int y, int cx, int cy) {
  const int left = x / kUnitsPerColumn;
  const int top = y / kUnitsPerRow;
  return {left, top, std::max(1, (x + cx) / kUnitsPerColumn - left),
          std::max(1, (y + cy) / kUnitsPerRow - top)};
}

// A grid of character cells; text outside it is cut off.
class Canvas {
 public:
  Canvas(int rows, int columns)
      : rows_(static_cast<size_t>(std::max(rows, 1)),
              std::string(static_cast<size_t>(std::max(columns, 1)), ' ')) {}

  void Put(int row, int column, std::string_view text) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0) return;
    std::string& line = rows_[static_cast<size_t>(row)];
    for (size_t i = 0; i < text.size() && column + i < line.size(); ++i) line[column + i] = text[i];
  }
  void Box(const Cells& cells) {
    const std::string edge =
        "+" + std::string(static_cast<size_t>(std::max(cells.width - 2, 0)), '-') + "+";
    Put(cells.top, cells.left, edge);
    Put(cells.top + cells.height - 1, cells.left, edge);
    for (int row = cells.top + 1; row < cells.top + cells.height - 1; ++row) {
      Put(row, cells.left, "|");
      Put(row, cells.left + cells.width - 1, "|");
    }
  }
  // The grid inside a frame whose top edge carries the caption.
  std::vector<std::string> Framed(std::string_view caption) const {
    const size_t width = rows_.front().size();
    std::string top = "+- " + std::string(caption) + " ";
    top.resize(std::max(top.size(), width + 1), '-');
    std::vector<std::string> lines{top + "+"};
    for (const std::string& row : rows_) lines.push_back("|" + row + "|");
    lines.push_back("+" + std::string(width, '-') + "+");
    return lines;
  }

 private:
  std::vector<std::string> rows_;
};

// A button's text without its mnemonic marks ("&OK" shows as "OK").
std::string ButtonText(const char* text) {
  std::string shown;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c != '&') shown += *c;
  }
  return "[ " + shown + " ]";
}

// The lines of a list box, numbered from 1, the selected one marked; the view scrolls so the
// selection stays in sight.
void DrawListBox(Canvas& canvas, const Cells& cells, const ListBoxControl& listBox) {
  canvas.Box(cells);
  const int visible = std::max(cells.height - 2, 1);
  const int first = std::max(listBox.Selection() - visible + 1, 0);
  for (int row = 0; row < visible && first + row < listBox.Count(); ++row) {
    const int line = first + row;
    char number[16];
    std::snprintf(number, sizeof number, "%c%2d ", line == listBox.Selection() ? '>' : ' ',
                  line + 1);
    std::string text = number + listBox.Text(line);
    text.resize(static_cast<size_t>(std::max(cells.width - 2, 0)), ' ');
    canvas.Put(cells.top + 1 + row, cells.left + 1, text);
  }
}

// Digits add up to a line number while it names a line, then start a new one. The number typed
// so far, or 0 when the digit named no line.
int SelectTypedLine(ListBoxControl& listBox, int typedBefore, int digit) {
  for (const int line : {typedBefore * 10 + digit, digit}) {
    if (line >= 1 && line <= listBox.Count()) {
      listBox.Select(line - 1);
      return line;
    }
  }
  return 0;
}

}  // namespace

std::vector<std::string> DialogWindow::Render() const {
  const Cells frame = CellsOf(0, 0, template_.cx, template_.cy);
  Canvas canvas(frame.height, frame.width);
  for (const DialogControl& control : Controls()) {
    const Cells cells = CellsOf(control.x, control.y, control.cx, control.cy);
    if (const ListBoxControl* listBox = ListBoxOf(control.id)) {
      DrawListBox(canvas, cells, *listBox);
    } else {
      const std::string text = ButtonText(control.text);
      canvas.Put(cells.top,
                 cells.left + std::max(cells.width - static_cast<int>(text.size()), 0) / 2, text);
    }
  }
  std::vector<std::string> lines = canvas.Framed(template_.caption);
  lines.emplace_back(kKeyLegend);
  return lines;
}

// What DoModal runs on POSIX: keys from the dialog console until the dialog ends.
struct DialogBackend {
  static DialogWindow* WindowOf(const CDialog& dialog) {
    return dialog.m_hWnd != nullptr ? static_cast<DialogWindow*>(dialog.m_hWnd->userData) : nullptr;
  }

  // What the close box does, made final: a dialog that no one can see any more must end.
  static void EndAsClosed(CDialog& dialog, DialogWindow& window) {
    dialog.OnCancel();
    if (!window.Ended()) dialog.EndDialog(IDCANCEL);
  }

  static void RunModalLoop(CDialog& dialog, DialogWindow& window) {
    const std::unique_ptr<DialogConsole> console = OpenDialogConsole();
    if (console == nullptr) return EndAsClosed(dialog, window);  // nowhere to show the dialog
    int typedLine = 0;
    while (!window.Ended()) {
      ListBoxControl* listBox = window.KeyedListBox();
      console->Draw(window.Render());
      const KeyPress press = ReadDialogKey(*console);
      const int typedBefore = std::exchange(typedLine, 0);
      switch (press.key) {
        case DialogKey::kUp:
        case DialogKey::kDown:
          if (listBox) listBox->MoveSelection(press.key == DialogKey::kUp ? -1 : 1);
          break;
        case DialogKey::kDigit:
          if (listBox) typedLine = SelectTypedLine(*listBox, typedBefore, press.digit);
          break;
        case DialogKey::kEnter:
          dialog.OnOK();
          break;
        case DialogKey::kEscape:
          dialog.OnCancel();
          break;
        case DialogKey::kClosed:
          EndAsClosed(dialog, window);
          break;
        case DialogKey::kOther:
          break;
      }
    }
  }

  static INT_PTR DoModal(CDialog& dialog) {
    const UINT id = dialog.m_nIDTemplate;
    const DialogTemplate* dialogTemplate = AfxFindDialogTemplate(AfxFindResourceHandle(id), id);
    if (dialogTemplate == nullptr) return -1;
    DialogWindow window(*dialogTemplate);
    dialog.m_hWnd = window.Handle();
    // The window goes, and the dialog's handle with it, however the dialog ends.
    struct Closing {
      CDialog& dialog;
      ~Closing() { dialog.m_hWnd = nullptr; }
    } closing{dialog};
    dialog.OnInitDialog();
    RunModalLoop(dialog, window);
    return window.Result();
  }
};

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  DialogWindow* window = DialogBackend::WindowOf(*pDX->m_pDlgWnd);
  if (window == nullptr || control.m_hWnd != nullptr) return;
  if (HWND handle = window->Control(id)) window->Attach(control, handle);
}

void CDialog::EndDialog(int result) {
  if (DialogWindow* window = DialogBackend::WindowOf(*this)) window->End(result);
}

INT_PTR CDialog::DoModal() {
  return DialogBackend::DoModal(*this);
}
