#pragma once
// Dialog data exchange: one routine moves a dialog's member values into its controls (load) or
// reads and validates them back (save). The rules live here, away from the window system; the
// dialog glue supplies the controls through IDialogControls.
//
// An exchange that fails shows its message, puts the focus back on the control that failed and
// stops: every helper returns false from then on, so a DoDataExchange written as a chain of
// "if (!DDX_...) return;" or as plain calls ends at the first failure either way.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The framework's own prompt strings, which every program that uses the exchange carries in its
// string table (AFX_IDP_PARSE_INT_RANGE and AFX_IDP_PARSE_UINT).
inline constexpr uint32_t kAfxIdpParseIntRange = 61714;  // "... between %1 and %2."
inline constexpr uint32_t kAfxIdpParseUint = 61719;      // "Please enter a positive integer."

// The dialog's controls as an exchange sees them. Implemented over a dialog window by the glue
// and by a recording fake in the tests.
class IDialogControls {
public:
    virtual ~IDialogControls() = default;
    virtual std::string GetText(int id) = 0;  // the control's whole text
    virtual void SetText(int id, const std::string& text) = 0;
    virtual int GetCheck(int id) = 0;  // 0 unchecked, 1 checked, 2 indeterminate
    virtual void SetCheck(int id, int state) = 0;
    virtual std::vector<std::string> GetItems(int id) = 0;  // a list box's texts, in its order
    virtual void SetItems(int id, const std::vector<std::string>& items) = 0;  // replaces them all
    virtual std::string ResourceString(uint32_t id) = 0;  // a string resource; empty when missing
    // The validation message box: an OK button, the exclamation icon, the application's name as
    // caption. Returns once the user has closed it.
    virtual void ShowMessage(const std::string& text) = 0;
    // Gives id the focus; selectAll also selects its whole text (edit boxes).
    virtual void FocusControl(int id, bool selectAll) = 0;
};

class DataExchange {
public:
    DataExchange(IDialogControls& controls, bool saveAndValidate)
        : m_controls(controls), m_bSaveAndValidate(saveAndValidate) {}

    IDialogControls& Controls() { return m_controls; }
    bool SaveAndValidate() const { return m_bSaveAndValidate; }
    bool Failed() const { return m_bFailed; }

    // The control a later failure returns the focus to.
    void PrepareCtrl(int id) {
        m_idLastControl = id;
        m_bEditLastControl = false;
    }
    void PrepareEditCtrl(int id) {
        m_idLastControl = id;
        m_bEditLastControl = true;
    }
    // Shows text, returns the focus to the last prepared control (its text selected when it is an
    // edit box) and stops the exchange.
    void Fail(const std::string& text);

private:
    IDialogControls& m_controls;
    const bool m_bSaveAndValidate;
    bool m_bFailed = false;
    int m_idLastControl = 0;
    bool m_bEditLastControl = false;
};

// Reads an edit box's text as an unsigned decimal number, the way the exchange reads "%u":
// at most the first 31 characters count; spaces and tabs before and after the number are
// skipped; an optional sign, then decimal digits up to the first other character. A minus sign
// negates modulo 2^32 ("-1" reads as 4294967295); a number beyond 32 bits reads as 4294967295.
// Fails (returns false, value untouched) when anything but blanks follows the number, and when the
// number is 0 but the first character after the blanks is not '0' (no digits at all, "+0", "-0").
bool ReadUnsignedText(std::string_view text, uint32_t& value);

// Puts first for every "%1" and second for every "%2" of a message template; everything else,
// other "%" sequences included, is copied as it stands.
std::string FormatPrompt2(std::string_view pattern, std::string_view first, std::string_view second);

// The exchange helpers. Each returns false once the exchange has failed (and then does nothing).
// Edit box text as a whole. Load sets the text only when it differs from what the box shows, so
// an unchanged box sends no change notification.
bool DDX_Text(DataExchange& dx, int id, std::string& value);
// Edit box number as "%u". Save reads it with ReadUnsignedText; a text that fails shows string
// 61719 and leaves value as it was.
bool DDX_Text(DataExchange& dx, int id, uint32_t& value);
// Check box. Load shows value, after setting a value outside 0..2 to 0; save reads the state.
bool DDX_Check(DataExchange& dx, int id, int32_t& value);
// List box texts as a whole, in the box's order. Load replaces the items only when they differ,
// so an unchanged list keeps its selection and scroll position.
bool DDX_LBStrings(DataExchange& dx, int id, std::vector<std::string>& values);
// Save only: a value outside min..max shows string 61714 with min and max put in for %1 and %2,
// and fails on the control prepared last. Load does nothing, so out-of-range values still show.
bool DDV_MinMaxUInt(DataExchange& dx, uint32_t value, uint32_t minValue, uint32_t maxValue);

}  // namespace orv
