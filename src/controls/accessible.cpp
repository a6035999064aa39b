#include "controls/accessible.h"

#include <oleacc.h>

#include "framework/wnd.h"

namespace {

constexpr LONG kClient = static_cast<LONG>(0xFFFFFFFC);  // OBJID_CLIENT
constexpr LONG kSelf = 0;  // CHILDID_SELF

const IID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// The functions of oleacc.dll and oleaut32.dll that the objects need; the
// oldest systems lack them.
struct AccessibilityFunctions {
    using CreateStdObject = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    using ResultFromObject = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    using AllocString = BSTR(WINAPI*)(const OLECHAR*, UINT);

    AccessibilityFunctions()
    {
        if (HMODULE oleacc = LoadLibraryA("oleacc.dll")) {
            createStdObject = reinterpret_cast<CreateStdObject>(
                reinterpret_cast<void*>(GetProcAddress(oleacc, "CreateStdAccessibleObject")));
            resultFromObject = reinterpret_cast<ResultFromObject>(
                reinterpret_cast<void*>(GetProcAddress(oleacc, "LresultFromObject")));
        }
        if (HMODULE oleaut = LoadLibraryA("oleaut32.dll"))
            allocString = reinterpret_cast<AllocString>(
                reinterpret_cast<void*>(GetProcAddress(oleaut, "SysAllocStringLen")));
    }
    bool Complete() const { return createStdObject && resultFromObject && allocString; }

    CreateStdObject createStdObject = nullptr;
    ResultFromObject resultFromObject = nullptr;
    AllocString allocString = nullptr;
};

// Loaded when assistive technology first asks for an object, never before:
// a program nobody reads does not load the libraries.
AccessibilityFunctions& Functions()
{
    static AccessibilityFunctions functions;
    return functions;
}

using NotifyEvent = void(WINAPI*)(DWORD, HWND, LONG, LONG);

NotifyEvent NotifyWinEventFunction()
{
    static const NotifyEvent notify = [] {
        HMODULE user = GetModuleHandleA("user32.dll");
        return user ? reinterpret_cast<NotifyEvent>(reinterpret_cast<void*>(GetProcAddress(user, "NotifyWinEvent")))
                    : nullptr;
    }();
    return notify;
}

BSTR ToBstr(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    BSTR result = Functions().allocString(nullptr, static_cast<UINT>(length));
    if (result)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result, length);
    return result;
}

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == kSelf;
}

// The accessible object of one control's client area.  Role, name, state,
// value and default action come from the control; where it is, its parent
// and its neighbours from the system's standard object.  The control's
// window may go while a client holds the object: then it answers that it
// is gone.
class ControlAccessible : public IAccessible {
public:
    ControlAccessible(HWND control, IAccessible* standard) : m_control(control), m_standard(standard) {}

    // IUnknown.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (IsEqualIID(iid, kIUnknown) || IsEqualIID(iid, kIDispatch) || IsEqualIID(iid, kIAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0) {
            if (m_standard)
                m_standard->Release();
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IDispatch: no type information; clients call the methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible: what the control says.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        *name = nullptr;
        if (!Facts() || !IsSelf(child))
            return Gone(child);
        char text[128] = {};
        GetWindowTextA(m_control, text, sizeof text);
        *name = ToBstr(text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        *value = nullptr;
        if (!Facts() || !IsSelf(child))
            return Gone(child);
        const std::string text = Facts()->AccValue();
        if (text.empty())
            return S_FALSE;
        *value = ToBstr(text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        role->vt = VT_EMPTY;
        if (!Facts() || !IsSelf(child))
            return Gone(child);
        role->vt = VT_I4;
        role->lVal = Facts()->AccRole();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        state->vt = VT_EMPTY;
        if (!Facts() || !IsSelf(child))
            return Gone(child);
        long bits = Facts()->AccState() | STATE_SYSTEM_FOCUSABLE;
        if (GetFocus() == m_control)
            bits |= STATE_SYSTEM_FOCUSED;
        if (!IsWindowEnabled(m_control))
            bits = (bits | STATE_SYSTEM_UNAVAILABLE) & ~STATE_SYSTEM_FOCUSABLE;
        if (!IsWindowVisible(m_control))
            bits |= STATE_SYSTEM_INVISIBLE;
        state->vt = VT_I4;
        state->lVal = bits;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        *action = nullptr;
        if (!Facts() || !IsSelf(child))
            return Gone(child);
        const char* text = Facts()->AccDefaultAction();
        if (!text)
            return S_FALSE;
        *action = ToBstr(text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        if (!Facts() || !IsSelf(child))
            return Gone(child);
        if (!Facts()->AccDefaultAction())
            return DISP_E_MEMBERNOTFOUND;
        // Carried out by the control's own thread, as a click would be.
        PostMessageA(m_control, WM_DEFAULT_ACTION, 0, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override
    {
        *child = nullptr;
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override { return Nothing(text); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* text) override { return Nothing(text); }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* text) override { return Nothing(text); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override
    {
        *topic = 0;
        return Nothing(file);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

    // IAccessible: where the control is, from the standard object.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        *parent = nullptr;
        return Facts() && m_standard ? m_standard->get_accParent(parent) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override
    {
        focus->vt = VT_EMPTY;
        if (GetFocus() == m_control) {
            focus->vt = VT_I4;
            focus->lVal = kSelf;
        }
        return focus->vt == VT_EMPTY ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override
    {
        selection->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        if (!Facts() || !IsSelf(child))
            return Gone(child);
        if (flags & SELFLAG_TAKEFOCUS)
            SetFocus(m_control);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* width, long* height, VARIANT child) override
    {
        if (!Facts() || !IsSelf(child))
            return Gone(child);
        RECT r;
        GetWindowRect(m_control, &r);
        *x = r.left;
        *y = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        end->vt = VT_EMPTY;
        return Facts() && m_standard ? m_standard->accNavigate(direction, start, end) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override
    {
        child->vt = VT_EMPTY;
        if (!Facts())
            return E_FAIL;
        RECT r;
        GetWindowRect(m_control, &r);
        const POINT p = {x, y};
        if (!PtInRect(&r, p))
            return S_FALSE;
        child->vt = VT_I4;
        child->lVal = kSelf;
        return S_OK;
    }

private:
    virtual ~ControlAccessible() = default;

    // The control, while its window is there and still its own.
    const AccessibleFacts* Facts() const
    {
        if (!IsWindow(m_control))
            return nullptr;
        return dynamic_cast<const AccessibleFacts*>(CWnd::FromHandlePermanent(m_control));
    }
    // A call for a child that does not exist, or on a control that is gone.
    HRESULT Gone(const VARIANT&) const { return Facts() ? E_INVALIDARG : RPC_E_DISCONNECTED; }
    static HRESULT Nothing(BSTR* text)
    {
        *text = nullptr;
        return S_FALSE;
    }

    LONG m_references = 1;
    HWND m_control;
    IAccessible* m_standard;
};

}  // namespace

LRESULT AnswerGetObject(HWND control, WPARAM flags, LPARAM objectId)
{
    AccessibilityFunctions& f = Functions();
    if (static_cast<LONG>(objectId) != kClient || !f.Complete())
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(f.createStdObject(control, kClient, kIAccessible, reinterpret_cast<void**>(&standard))))
        standard = nullptr;
    auto* object = new ControlAccessible(control, standard);
    const LRESULT result = f.resultFromObject(kIAccessible, flags, object);
    object->Release();
    return result;
}

void AnnounceEvent(DWORD event, HWND control)
{
    if (NotifyEvent notify = NotifyWinEventFunction())
        notify(event, control, kClient, kSelf);
}
