#include "AccessibleName.h"

#include "base/Text.h"

#include <commctrl.h>
#include <oleacc.h>

#include <new>

namespace qm::ui {
namespace {

// The interface identifiers come from the headers' __uuidof: oleacc's import library exports
// IID_IAccessible as a function thunk, and a reference to it would link to the thunk's bytes.
constexpr UINT_PTR kSubclassId = 0x414e; // the subclass that answers the name query

// "&&" stays one '&'; a single '&' marks the access key and is not read out.
std::wstring WithoutAccessMark(const std::wstring& text) {
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        else if (text[i] == L'&')
            continue;
        plain += text[i];
    }
    return plain;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The system's accessible object for the control, with the name replaced. Every other question
// goes to the system's object unchanged.
class NamedAccessible final : public IAccessible {
public:
    NamedAccessible(IAccessible* inner, std::wstring name)
        : inner_(inner), name_(std::move(name)) {}
    NamedAccessible(const NamedAccessible&) = delete;
    NamedAccessible& operator=(const NamedAccessible&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return inner_->GetTypeInfo(index, lcid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override {
        return inner_->GetIDsOfNames(iid, names, count, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
        return inner_->Invoke(id, iid, lcid, flags, params, result, exception, argumentError);
    }

    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child)) return inner_->get_accName(child, name);
        if (!name) return E_POINTER;
        *name = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    STDMETHODIMP get_accParent(IDispatch** parent) override {
        return inner_->get_accParent(parent);
    }
    STDMETHODIMP get_accChildCount(long* count) override {
        return inner_->get_accChildCount(count);
    }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override {
        return inner_->get_accChild(child, out);
    }
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
        return inner_->get_accValue(child, value);
    }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override {
        return inner_->get_accDescription(child, text);
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        return inner_->get_accRole(child, role);
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        return inner_->get_accState(child, state);
    }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override {
        return inner_->get_accHelp(child, help);
    }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return inner_->get_accHelpTopic(file, child, topic);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return inner_->get_accKeyboardShortcut(child, shortcut);
    }
    STDMETHODIMP get_accFocus(VARIANT* focus) override { return inner_->get_accFocus(focus); }
    STDMETHODIMP get_accSelection(VARIANT* selection) override {
        return inner_->get_accSelection(selection);
    }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
        return inner_->get_accDefaultAction(child, action);
    }
    STDMETHODIMP accSelect(long flags, VARIANT child) override {
        return inner_->accSelect(flags, child);
    }
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height,
                             VARIANT child) override {
        return inner_->accLocation(left, top, width, height, child);
    }
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return inner_->accNavigate(direction, start, end);
    }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override {
        return inner_->accHitTest(x, y, child);
    }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override {
        return inner_->accDoDefaultAction(child);
    }
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override {
        return inner_->put_accName(child, name);
    }
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override {
        return inner_->put_accValue(child, value);
    }

private:
    ~NamedAccessible() { inner_->Release(); }

    IAccessible* inner_;
    std::wstring name_;
    LONG refs_ = 1;
};

constexpr char kNameProperty[] = "QuillmereAccessibleName";

LRESULT CALLBACK NamedControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR, DWORD_PTR) {
    // The name is fetched only for the two messages that need it: every message the control
    // gets passes here, and a property lookup is a round trip to the server under Wine.
    std::wstring* name = nullptr;
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT &&
        (name = static_cast<std::wstring*>(GetPropA(control, kNameProperty)))) {
        IAccessible* inner = nullptr;
        if (SUCCEEDED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&inner)))) {
            auto* named = new (std::nothrow) NamedAccessible(inner, *name);
            if (!named) {
                inner->Release();
            } else {
                const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, named);
                named->Release();
                if (SUCCEEDED(static_cast<HRESULT>(result))) return result;
            }
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, NamedControlProc, kSubclassId);
        delete static_cast<std::wstring*>(RemovePropA(control, kNameProperty));
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

} // namespace

void SetAccessibleName(HWND control, const std::string& name) {
    if (!control) return;
    std::wstring text = WithoutAccessMark(WidenText(name));
    if (auto* held = static_cast<std::wstring*>(GetPropA(control, kNameProperty))) {
        *held = std::move(text);
        return;
    }
    auto* held = new std::wstring(std::move(text));
    if (!SetPropA(control, kNameProperty, held)) {
        delete held;
        return;
    }
    if (!SetWindowSubclass(control, NamedControlProc, kSubclassId, 0))
        delete static_cast<std::wstring*>(RemovePropA(control, kNameProperty));
}

} // namespace qm::ui
