// The MAPI data types and interfaces that the Windows Address Book uses, with the names, shapes,
// values and method order of the Windows headers (mapidefs.h): property values and tag arrays,
// rows and row sets, entry ids, and the property, table and container interfaces.
//
// Narrow text (PT_STRING8) is in the ANSI code page; wide text (PT_UNICODE) is UTF-16.
#pragma once

#include <cstddef>

#include <winpal/com.h>
#include <winpal/oleauto.h>
#include <winpal/types.h>

#ifndef MAPI_DIM
#define MAPI_DIM 1
#endif

using LPULONG = ULONG*;
using LPCIID = const IID*;
using CURRENCY = CY;
using LPTSTR = LPSTR;

// ---- property types and tags -------------------------------------------------------------------

constexpr ULONG PT_UNSPECIFIED = 0x0000;
constexpr ULONG PT_NULL = 0x0001;
constexpr ULONG PT_I2 = 0x0002;
constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_R4 = 0x0004;
constexpr ULONG PT_DOUBLE = 0x0005;
constexpr ULONG PT_CURRENCY = 0x0006;
constexpr ULONG PT_APPTIME = 0x0007;
constexpr ULONG PT_ERROR = 0x000A;
constexpr ULONG PT_BOOLEAN = 0x000B;
constexpr ULONG PT_OBJECT = 0x000D;
constexpr ULONG PT_I8 = 0x0014;
constexpr ULONG PT_STRING8 = 0x001E;
constexpr ULONG PT_UNICODE = 0x001F;
constexpr ULONG PT_SYSTIME = 0x0040;
constexpr ULONG PT_CLSID = 0x0048;
constexpr ULONG PT_BINARY = 0x0102;
constexpr ULONG PT_SHORT = PT_I2;
constexpr ULONG PT_I4 = PT_LONG;
constexpr ULONG PT_FLOAT = PT_R4;
constexpr ULONG PT_R8 = PT_DOUBLE;
constexpr ULONG PT_LONGLONG = PT_I8;
// This build's text type is narrow, as in a Windows build without UNICODE.
constexpr ULONG PT_TSTRING = PT_STRING8;

constexpr ULONG MV_FLAG = 0x1000;
constexpr ULONG PT_MV_I2 = MV_FLAG | PT_I2;
constexpr ULONG PT_MV_LONG = MV_FLAG | PT_LONG;
constexpr ULONG PT_MV_R4 = MV_FLAG | PT_R4;
constexpr ULONG PT_MV_DOUBLE = MV_FLAG | PT_DOUBLE;
constexpr ULONG PT_MV_CURRENCY = MV_FLAG | PT_CURRENCY;
constexpr ULONG PT_MV_APPTIME = MV_FLAG | PT_APPTIME;
constexpr ULONG PT_MV_SYSTIME = MV_FLAG | PT_SYSTIME;
constexpr ULONG PT_MV_STRING8 = MV_FLAG | PT_STRING8;
constexpr ULONG PT_MV_BINARY = MV_FLAG | PT_BINARY;
constexpr ULONG PT_MV_UNICODE = MV_FLAG | PT_UNICODE;
constexpr ULONG PT_MV_CLSID = MV_FLAG | PT_CLSID;
constexpr ULONG PT_MV_I8 = MV_FLAG | PT_I8;
constexpr ULONG PT_MV_TSTRING = MV_FLAG | PT_TSTRING;

constexpr ULONG PROP_TYPE_MASK = 0x0000FFFF;
#define PROP_TYPE(ulPropTag) (static_cast<ULONG>(ulPropTag) & PROP_TYPE_MASK)
#define PROP_ID(ulPropTag) (static_cast<ULONG>(ulPropTag) >> 16)
#define PROP_TAG(ulPropType, ulPropID) \
    ((static_cast<ULONG>(ulPropID) << 16) | static_cast<ULONG>(ulPropType))
#define CHANGE_PROP_TYPE(ulPropTag, ulPropType) \
    ((0xFFFF0000u & static_cast<ULONG>(ulPropTag)) | static_cast<ULONG>(ulPropType))

constexpr ULONG PROP_ID_NULL = 0;
constexpr ULONG PROP_ID_INVALID = 0xFFFF;
constexpr ULONG PR_NULL = PROP_TAG(PT_NULL, PROP_ID_NULL);

// ---- property values ----------------------------------------------------------------------------

struct SBinary {
    ULONG cb;
    LPBYTE lpb;
};
using LPSBinary = SBinary*;

struct SShortArray {
    ULONG cValues;
    short* lpi;
};
struct SLongArray {
    ULONG cValues;
    LONG* lpl;
};
struct SRealArray {
    ULONG cValues;
    float* lpflt;
};
struct SDoubleArray {
    ULONG cValues;
    double* lpdbl;
};
struct SCurrencyArray {
    ULONG cValues;
    CURRENCY* lpcur;
};
struct SAppTimeArray {
    ULONG cValues;
    double* lpat;
};
struct SDateTimeArray {
    ULONG cValues;
    FILETIME* lpft;
};
struct SBinaryArray {
    ULONG cValues;
    SBinary* lpbin;
};
struct SLPSTRArray {
    ULONG cValues;
    LPSTR* lppszA;
};
struct SWStringArray {
    ULONG cValues;
    LPWSTR* lppszW;
};
struct SGuidArray {
    ULONG cValues;
    GUID* lpguid;
};
struct SLargeIntegerArray {
    ULONG cValues;
    LARGE_INTEGER* lpli;
};

union _PV {
    short i;                  // PT_I2
    LONG l;                   // PT_LONG
    ULONG ul;                 // PT_LONG
    float flt;                // PT_R4
    double dbl;               // PT_DOUBLE
    unsigned short b;         // PT_BOOLEAN
    CURRENCY cur;             // PT_CURRENCY
    double at;                // PT_APPTIME
    FILETIME ft;              // PT_SYSTIME
    LPSTR lpszA;              // PT_STRING8
    SBinary bin;              // PT_BINARY
    LPWSTR lpszW;             // PT_UNICODE
    LPGUID lpguid;            // PT_CLSID
    LARGE_INTEGER li;         // PT_I8
    SShortArray MVi;          // PT_MV_I2
    SLongArray MVl;           // PT_MV_LONG
    SRealArray MVflt;         // PT_MV_R4
    SDoubleArray MVdbl;       // PT_MV_DOUBLE
    SCurrencyArray MVcur;     // PT_MV_CURRENCY
    SAppTimeArray MVat;       // PT_MV_APPTIME
    SDateTimeArray MVft;      // PT_MV_SYSTIME
    SBinaryArray MVbin;       // PT_MV_BINARY
    SLPSTRArray MVszA;        // PT_MV_STRING8
    SWStringArray MVszW;      // PT_MV_UNICODE
    SGuidArray MVguid;        // PT_MV_CLSID
    SLargeIntegerArray MVli;  // PT_MV_I8
    SCODE err;                // PT_ERROR
    LONG x;                   // PT_NULL, PT_OBJECT: no usable value
};

struct SPropValue {
    ULONG ulPropTag;
    ULONG dwAlignPad;
    union _PV Value;
};
using LPSPropValue = SPropValue*;

struct SPropTagArray {
    ULONG cValues;
    ULONG aulPropTag[MAPI_DIM];
};
using LPSPropTagArray = SPropTagArray*;
#define CbNewSPropTagArray(_ctag) (offsetof(SPropTagArray, aulPropTag) + (_ctag) * sizeof(ULONG))
#define CbSPropTagArray(_lparray) CbNewSPropTagArray((_lparray)->cValues)
// A tag array of a fixed size, to be cast to LPSPropTagArray.
#define SizedSPropTagArray(_ctag, _name) \
    struct _SPropTagArray_##_name {      \
        ULONG cValues;                   \
        ULONG aulPropTag[_ctag];         \
    } _name

struct SPropProblem {
    ULONG ulIndex;
    ULONG ulPropTag;
    SCODE scode;
};
using LPSPropProblem = SPropProblem*;

struct SPropProblemArray {
    ULONG cProblem;
    SPropProblem aProblem[MAPI_DIM];
};
using LPSPropProblemArray = SPropProblemArray*;
#define CbNewSPropProblemArray(_cprob) \
    (offsetof(SPropProblemArray, aProblem) + (_cprob) * sizeof(SPropProblem))

// ---- rows -------------------------------------------------------------------------------------

struct SRow {
    ULONG ulAdrEntryPad;
    ULONG cValues;
    LPSPropValue lpProps;
};
using LPSRow = SRow*;

struct SRowSet {
    ULONG cRows;
    SRow aRow[MAPI_DIM];
};
using LPSRowSet = SRowSet*;
#define CbNewSRowSet(_crow) (offsetof(SRowSet, aRow) + (_crow) * sizeof(SRow))

struct ADRENTRY {
    ULONG ulReserved1;
    ULONG cValues;
    LPSPropValue rgPropVals;
};
using LPADRENTRY = ADRENTRY*;

struct ADRLIST {
    ULONG cEntries;
    ADRENTRY aEntries[MAPI_DIM];
};
using LPADRLIST = ADRLIST*;

struct FlagList {
    ULONG cFlags;
    ULONG ulFlag[MAPI_DIM];
};
using LPFlagList = FlagList*;

// ---- entry ids --------------------------------------------------------------------------------

struct ENTRYID {
    BYTE abFlags[4];
    BYTE ab[MAPI_DIM];
};
using LPENTRYID = ENTRYID*;
#define CbNewENTRYID(_cb) (offsetof(ENTRYID, ab) + (_cb))

struct MAPIUID {
    BYTE ab[16];
};
using LPMAPIUID = MAPIUID*;

using ENTRYLIST = SBinaryArray;
using LPENTRYLIST = ENTRYLIST*;

// ---- object types, flags --------------------------------------------------------------------

constexpr ULONG MAPI_STORE = 0x00000001;
constexpr ULONG MAPI_ADDRBOOK = 0x00000002;
constexpr ULONG MAPI_FOLDER = 0x00000003;
constexpr ULONG MAPI_ABCONT = 0x00000004;
constexpr ULONG MAPI_MESSAGE = 0x00000005;
constexpr ULONG MAPI_MAILUSER = 0x00000006;
constexpr ULONG MAPI_ATTACH = 0x00000007;
constexpr ULONG MAPI_DISTLIST = 0x00000008;
constexpr ULONG MAPI_PROFSECT = 0x00000009;
constexpr ULONG MAPI_STATUS = 0x0000000A;
constexpr ULONG MAPI_SESSION = 0x0000000B;
constexpr ULONG MAPI_FORMINFO = 0x0000000C;

// PR_DISPLAY_TYPE values of address-book entries.
constexpr ULONG DT_MAILUSER = 0x00000000;
constexpr ULONG DT_DISTLIST = 0x00000001;
constexpr ULONG DT_FORUM = 0x00000002;
constexpr ULONG DT_AGENT = 0x00000003;
constexpr ULONG DT_ORGANIZATION = 0x00000004;
constexpr ULONG DT_PRIVATE_DISTLIST = 0x00000005;
constexpr ULONG DT_REMOTE_MAILUSER = 0x00000006;
constexpr ULONG DT_MODIFIABLE = 0x00010000;
constexpr ULONG DT_GLOBAL = 0x00020000;
constexpr ULONG DT_LOCAL = 0x00030000;
constexpr ULONG DT_NOT_SPECIFIC = 0x00050000;

constexpr ULONG MAPI_UNICODE = 0x80000000;
constexpr ULONG MAPI_MODIFY = 0x00000001;
constexpr ULONG MAPI_ACCESS_MODIFY = 0x00000001;
constexpr ULONG MAPI_ACCESS_READ = 0x00000002;
constexpr ULONG MAPI_DEFERRED_ERRORS = 0x00000008;
constexpr ULONG MAPI_BEST_ACCESS = 0x00000010;
constexpr ULONG MAPI_CREATE = 0x00000002;
constexpr ULONG MAPI_DIALOG = 0x00000008;
constexpr ULONG MAPI_ASSOCIATED = 0x00000040;

constexpr ULONG KEEP_OPEN_READONLY = 0x00000001;
constexpr ULONG KEEP_OPEN_READWRITE = 0x00000002;
constexpr ULONG FORCE_SAVE = 0x00000004;

constexpr ULONG CREATE_CHECK_DUP_STRICT = 0x00000001;
constexpr ULONG CREATE_CHECK_DUP_LOOSE = 0x00000002;
constexpr ULONG CREATE_REPLACE = 0x00000004;

constexpr ULONG MAPI_SEND_NO_RICH_INFO = 0x00010000;
constexpr ULONG MAPI_ONE_OFF_UNICODE = 0x8000;
constexpr ULONG MAPI_ONE_OFF_NO_RICH_INFO = 0x0001;

// PR_CONTAINER_FLAGS values.
constexpr ULONG AB_RECIPIENTS = 0x00000001;
constexpr ULONG AB_SUBCONTAINERS = 0x00000002;
constexpr ULONG AB_MODIFIABLE = 0x00000004;
constexpr ULONG AB_UNMODIFIABLE = 0x00000008;

constexpr ULONG DIALOG_MODAL = 0x00000001;
constexpr ULONG DIALOG_SDI = 0x00000002;

constexpr ULONG TBL_NOWAIT = 0x00000001;
constexpr ULONG TBL_BATCH = 0x00000002;
constexpr ULONG TBL_ALL_COLUMNS = 0x00000001;
constexpr ULONG TBL_NOADVANCE = 0x00000001;
constexpr ULONG TBL_ASYNC = 0x00000001;

constexpr ULONG TBLSTAT_COMPLETE = 0;
constexpr ULONG TBLTYPE_SNAPSHOT = 0;
constexpr ULONG TBLTYPE_KEYSET = 1;
constexpr ULONG TBLTYPE_DYNAMIC = 2;

using BOOKMARK = ULONG_PTR;
constexpr BOOKMARK BOOKMARK_BEGINNING = 0;
constexpr BOOKMARK BOOKMARK_CURRENT = 1;
constexpr BOOKMARK BOOKMARK_END = 2;

// ---- types the interfaces name -----------------------------------------------------------------

struct MAPIERROR {
    ULONG ulVersion;
    LPTSTR lpszError;
    LPTSTR lpszComponent;
    ULONG ulLowLevelError;
    ULONG ulContext;
};
using LPMAPIERROR = MAPIERROR*;

struct MAPINAMEID;
using LPMAPINAMEID = MAPINAMEID*;
struct SRestriction;
using LPSRestriction = SRestriction*;
struct SSortOrderSet;
using LPSSortOrderSet = SSortOrderSet*;
struct IMAPIAdviseSink;
using LPMAPIADVISESINK = IMAPIAdviseSink*;
struct IMAPIProgress;
using LPMAPIPROGRESS = IMAPIProgress*;

// ---- interfaces, in the documented method order -------------------------------------------------

struct IMAPIProp : IUnknown {
    virtual HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT SaveChanges(ULONG ulFlags) = 0;
    virtual HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                             LPSPropValue* lppPropArray) = 0;
    virtual HRESULT GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) = 0;
    virtual HRESULT OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions,
                                 ULONG ulFlags, LPUNKNOWN* lppUnk) = 0;
    virtual HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray,
                             LPSPropProblemArray* lppProblems) = 0;
    virtual HRESULT DeleteProps(LPSPropTagArray lpPropTagArray,
                                LPSPropProblemArray* lppProblems) = 0;
    virtual HRESULT CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps,
                           ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress, LPCIID lpInterface,
                           LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray* lppProblems) = 0;
    virtual HRESULT CopyProps(LPSPropTagArray lpIncludeProps, ULONG_PTR ulUIParam,
                              LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj,
                              ULONG ulFlags, LPSPropProblemArray* lppProblems) = 0;
    virtual HRESULT GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid,
                                    ULONG ulFlags, ULONG* lpcPropNames,
                                    LPMAPINAMEID** lpppPropNames) = 0;
    virtual HRESULT GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                                    LPSPropTagArray* lppPropTags) = 0;
    WINPAL_INTERFACE_DTOR(IMAPIProp)
};
using LPMAPIPROP = IMAPIProp*;

struct IMAPITable : IUnknown {
    virtual HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT Advise(ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                           ULONG* lpulConnection) = 0;
    virtual HRESULT Unadvise(ULONG ulConnection) = 0;
    virtual HRESULT GetStatus(ULONG* lpulTableStatus, ULONG* lpulTableType) = 0;
    virtual HRESULT SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) = 0;
    virtual HRESULT QueryColumns(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) = 0;
    virtual HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) = 0;
    virtual HRESULT SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) = 0;
    virtual HRESULT SeekRowApprox(ULONG ulNumerator, ULONG ulDenominator) = 0;
    virtual HRESULT QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator) = 0;
    virtual HRESULT FindRow(LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags) = 0;
    virtual HRESULT Restrict(LPSRestriction lpRestriction, ULONG ulFlags) = 0;
    virtual HRESULT CreateBookmark(BOOKMARK* lpbkPosition) = 0;
    virtual HRESULT FreeBookmark(BOOKMARK bkPosition) = 0;
    virtual HRESULT SortTable(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) = 0;
    virtual HRESULT QuerySortOrder(LPSSortOrderSet* lppSortCriteria) = 0;
    virtual HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) = 0;
    virtual HRESULT Abort() = 0;
    virtual HRESULT ExpandRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulRowCount,
                              ULONG ulFlags, LPSRowSet* lppRows, ULONG* lpulMoreRows) = 0;
    virtual HRESULT CollapseRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulFlags,
                                ULONG* lpulRowCount) = 0;
    virtual HRESULT WaitForCompletion(ULONG ulFlags, ULONG ulTimeout, ULONG* lpulTableStatus) = 0;
    virtual HRESULT GetCollapseState(ULONG ulFlags, ULONG cbInstanceKey, LPBYTE lpbInstanceKey,
                                     ULONG* lpcbCollapseState, LPBYTE* lppbCollapseState) = 0;
    virtual HRESULT SetCollapseState(ULONG ulFlags, ULONG cbCollapseState, LPBYTE pbCollapseState,
                                     BOOKMARK* lpbkLocation) = 0;
    WINPAL_INTERFACE_DTOR(IMAPITable)
};
using LPMAPITABLE = IMAPITable*;

struct IMAPIContainer : IMAPIProp {
    virtual HRESULT GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                              ULONG ulFlags, ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
    virtual HRESULT SetSearchCriteria(LPSRestriction lpRestriction, LPENTRYLIST lpContainerList,
                                      ULONG ulSearchFlags) = 0;
    virtual HRESULT GetSearchCriteria(ULONG ulFlags, LPSRestriction* lppRestriction,
                                      LPENTRYLIST* lppContainerList, ULONG* lpulSearchState) = 0;
    WINPAL_INTERFACE_DTOR(IMAPIContainer)
};
using LPMAPICONTAINER = IMAPIContainer*;

struct IABContainer : IMAPIContainer {
    virtual HRESULT CreateEntry(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulCreateFlags,
                                LPMAPIPROP* lppMAPIPropEntry) = 0;
    virtual HRESULT CopyEntries(LPENTRYLIST lpEntries, ULONG_PTR ulUIParam,
                                LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
    virtual HRESULT DeleteEntries(LPENTRYLIST lpEntries, ULONG ulFlags) = 0;
    virtual HRESULT ResolveNames(LPSPropTagArray lpPropTagArray, ULONG ulFlags, LPADRLIST lpAdrList,
                                 LPFlagList lpFlagList) = 0;
    WINPAL_INTERFACE_DTOR(IABContainer)
};
using LPABCONT = IABContainer*;

struct IMailUser : IMAPIProp {
    WINPAL_INTERFACE_DTOR(IMailUser)
};
using LPMAILUSER = IMailUser*;

struct IDistList : IMAPIContainer {
    virtual HRESULT CreateEntry(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulCreateFlags,
                                LPMAPIPROP* lppMAPIPropEntry) = 0;
    virtual HRESULT CopyEntries(LPENTRYLIST lpEntries, ULONG_PTR ulUIParam,
                                LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
    virtual HRESULT DeleteEntries(LPENTRYLIST lpEntries, ULONG ulFlags) = 0;
    virtual HRESULT ResolveNames(LPSPropTagArray lpPropTagArray, ULONG ulFlags, LPADRLIST lpAdrList,
                                 LPFlagList lpFlagList) = 0;
    WINPAL_INTERFACE_DTOR(IDistList)
};
using LPDISTLIST = IDistList*;
