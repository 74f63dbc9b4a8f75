// The module: resources, the class factories of the control and its property page, and their
// registration.
#include "control/Quillbox.h"

#include <olectl/factory.h>
#include <olectl/interfaces.h>
#include <olectl/registration.h>

#include "control/QuillboxCtrl.h"
#include "control/QuillboxIds.h"
#include "control/QuillboxImages.h"
#include "control/QuillboxPropPage.h"
#include "control/QuillboxTypeLib.h"

static_assert(kQuillboxMiscStatus ==
              (OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
               OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE));

namespace {

// File and product version 2.0.0.1; the library registers itself (OLESelfRegister).
const winpal::VersionInfo version{{2, 0, 0, 1},
                                  {2, 0, 0, 1},
                                  VFT_DLL,
                                  {{"FileDescription", "Quillbox ActiveX Control Module"},
                                   {"FileVersion", "2, 0, 0, 1"},
                                   {"InternalName", "Quillbox"},
                                   {"OriginalFilename", "libquillbox.so"},
                                   {"ProductName", "Quillbox ActiveX Control Module"},
                                   {"ProductVersion", "2, 0, 0, 1"},
                                   {"OLESelfRegister", ""}}};

const olectl::ModuleResources resources{"Quillbox",
                                        {{IDS_QUILLBOX, "Quillbox Control"},
                                         {IDS_QUILLBOX_PPG, "Quillbox Property Page"},
                                         {IDS_QUILLBOX_PPG_CAPTION, "General"}},
                                        {{1, &QuillboxTypeLib()}},
                                        {{IDB_QUILLBOX, kQuillboxToolboxBitmap}},
                                        {{IDI_QUILLBOX, kQuillboxIcon}},
                                        &version};

olectl::COleControlModule theModule(resources);

bool UpdateControlRegistry(const olectl::COleObjectFactory& factory, bool bRegister) {
    if (!bRegister)
        return olectl::AfxOleUnregisterClass(factory.Clsid(), factory.ProgId());
    return olectl::AfxOleRegisterControlClass(
        olectl::AfxGetInstanceHandle(), factory.Clsid(), factory.ProgId(), IDS_QUILLBOX,
        IDB_QUILLBOX, olectl::afxRegApartmentThreading, kQuillboxMiscStatus, LIBID_QUILLBOXLib,
        kQuillboxTypeLibMajor, kQuillboxTypeLibMinor);
}

bool UpdatePropPageRegistry(const olectl::COleObjectFactory& factory, bool bRegister) {
    if (!bRegister)
        return olectl::AfxOleUnregisterClass(factory.Clsid(), nullptr);
    return olectl::AfxOleRegisterPropertyPageClass(olectl::AfxGetInstanceHandle(), factory.Clsid(),
                                                   IDS_QUILLBOX_PPG, olectl::afxRegDefault);
}

olectl::COleObjectFactory controlFactory(CLSID_Quillbox, "QUILLBOX.QuillboxCtrl.1",
                                         &olectl::CreateObject<CQuillboxCtrl>,
                                         &UpdateControlRegistry);
olectl::COleObjectFactory propPageFactory(CLSID_QuillboxPropPage, "QUILLBOX.QuillboxPropPage.1",
                                          &olectl::CreateObject<CQuillboxPropPage>,
                                          &UpdatePropPageRegistry);

}  // namespace
