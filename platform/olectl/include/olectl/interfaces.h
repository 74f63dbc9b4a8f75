// The COM interfaces between a control and its container. They condense what OLE spreads over
// IOleObject, IOleInPlaceObject and IViewObject (the control's side: IControlWindow) and over
// IOleClientSite, IOleInPlaceSite, IPropertyNotifySink and the ambient-property dispatch (the
// container's side: IControlSite) to the window lifecycle a control needs: create, destroy,
// draw, verbs, ambient properties, resizing and bound-property notification.
#pragma once

#include <winpal/oleauto.h>

#include <olectl/gdi.h>

// Ambient property: TRUE when the container runs its form, FALSE in design mode.
constexpr DISPID DISPID_AMBIENT_USERMODE = -709;

// Verbs of IControlWindow::DoVerb.
constexpr LONG OLEIVERB_PRIMARY = 0;
constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_PROPERTIES = -7;

// OLEMISC flags of a control's MiscStatus.
constexpr DWORD OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr DWORD OLEMISC_CANTLINKINSIDE = 0x10;
constexpr DWORD OLEMISC_INSIDEOUT = 0x80;
constexpr DWORD OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;

// The container's side, one per hosted control.
struct IControlSite : IUnknown {
    // Fills `value` with the ambient property `dispid`; DISP_E_MEMBERNOTFOUND when the
    // container does not know it.
    virtual HRESULT GetAmbientProperty(DISPID dispid, VARIANT* value) = 0;
    // Moves and sizes the control's window (the SWP_* flags of SetWindowPos).
    virtual HRESULT SetWindowPos(LONG x, LONG y, LONG cx, LONG cy, UINT flags) = 0;
    virtual HRESULT GetWindowRect(olectl::RECT* rect) = 0;
    // A bound property changed (IPropertyNotifySink::OnChanged).
    virtual HRESULT OnPropertyChanged(DISPID dispid) = 0;
    WINPAL_INTERFACE_DTOR(IControlSite)
};

// The control's side.
struct IControlWindow : IUnknown {
    // The container creates the control's window (WM_CREATE); the control keeps a reference to
    // the site until its window is destroyed. Fails when the control refuses the creation.
    virtual HRESULT CreateControlWindow(IControlSite* site) = 0;
    // WM_DESTROY: the control lets go of its window and its site. S_FALSE when it had none.
    virtual HRESULT DestroyControlWindow() = 0;
    // WM_PAINT: the control draws itself on `dc` within `bounds`.
    virtual HRESULT Draw(olectl::DrawContext* dc, const olectl::RECT* bounds) = 0;
    virtual HRESULT DoVerb(LONG verb) = 0;
    WINPAL_INTERFACE_DTOR(IControlWindow)
};

// A counted array of GUIDs whose elements the callee allocates with CoTaskMemAlloc.
struct CAUUID {
    ULONG cElems;
    GUID* pElems;
};

struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT GetPages(CAUUID* pPages) = 0;
    WINPAL_INTERFACE_DTOR(ISpecifyPropertyPages)
};

// What a property frame needs of one page.
struct PROPPAGEINFO {
    ULONG cb;
    LPOLESTR pszTitle;  // CoTaskMemAlloc'd; the frame frees it
    LONG width;         // pixels
    LONG height;
};

struct IOlePropertyPage : IUnknown {
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    // The objects whose properties the page shows; (0, nullptr) lets go of them.
    virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
    // Builds the page's widgets inside `parentWidget` (a QWidget*), which the frame owns.
    virtual HRESULT Activate(void* parentWidget) = 0;
    virtual HRESULT Apply() = 0;
    WINPAL_INTERFACE_DTOR(IOlePropertyPage)
};

// ---- persistence, as OLE declares it -----------------------------------------------------------

// A save that could not be written.
constexpr HRESULT STG_E_CANTSAVE = static_cast<HRESULT>(0x80030103);

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* pClassID) = 0;
    WINPAL_INTERFACE_DTOR(IPersist)
};

struct IPersistStreamInit : IPersist {
    // S_OK when the object changed since it was last saved, S_FALSE otherwise.
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* pStm) = 0;
    virtual HRESULT Save(IStream* pStm, BOOL fClearDirty) = 0;
    virtual HRESULT GetSizeMax(ULARGE_INTEGER* pCbSize) = 0;
    virtual HRESULT InitNew() = 0;
    WINPAL_INTERFACE_DTOR(IPersistStreamInit)
};

struct IErrorLog : IUnknown {
    virtual HRESULT AddError(LPCOLESTR pszPropName, EXCEPINFO* pExcepInfo) = 0;
    WINPAL_INTERFACE_DTOR(IErrorLog)
};

// Named properties a container keeps for an object (a form file's text, for instance).
struct IPropertyBag : IUnknown {
    // Fills `pVar`; a VT_EMPTY `pVar` takes the stored type, another type asks for a coercion.
    // E_INVALIDARG when the bag holds no property of that name.
    virtual HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) = 0;
    virtual HRESULT Write(LPCOLESTR pszPropName, VARIANT* pVar) = 0;
    WINPAL_INTERFACE_DTOR(IPropertyBag)
};

struct IPersistPropertyBag : IPersist {
    virtual HRESULT InitNew() = 0;
    virtual HRESULT Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) = 0;
    virtual HRESULT Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) = 0;
    WINPAL_INTERFACE_DTOR(IPersistPropertyBag)
};

inline constexpr IID IID_IPersist = {
    0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IPersistStreamInit = {
    0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
inline constexpr IID IID_IPropertyBag = {
    0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_IErrorLog = {
    0x3127CA40, 0x446E, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_IPersistPropertyBag = {
    0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

inline constexpr IID IID_IControlSite = {
    0xBAF52B66, 0xA52E, 0x4514, {0xAA, 0x9E, 0x51, 0xAF, 0x7E, 0x87, 0x73, 0x21}};
inline constexpr IID IID_IControlWindow = {
    0x8C30B8B1, 0x64AA, 0x49A8, {0x8D, 0x2E, 0x18, 0x01, 0xE0, 0x06, 0x0F, 0x9A}};
inline constexpr IID IID_IOlePropertyPage = {
    0x587A8265, 0x4BFE, 0x479E, {0x9D, 0x81, 0xD5, 0x76, 0x48, 0xDD, 0x74, 0xF3}};
inline constexpr IID IID_ISpecifyPropertyPages = {
    0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
