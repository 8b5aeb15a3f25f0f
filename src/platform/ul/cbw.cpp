// The library's entry points: each checks what needs no board, finds the board, and leaves the rest of
// the checks and the work to the board (CSimDevice).
#include "platform/ul/cbw.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ul/sim_library.h"
#include "platform/ul/ul_errors.h"

namespace {

constexpr float kLibraryRevision = 6.5f;

using Args = std::vector<std::string>;

std::string Num(long long nValue) {
    return std::to_string(nValue);
}

std::string Real(double dValue) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.7g", dValue);
    return text;
}

// The text of a fixed-size field (it need not be terminated) between double quotes. Built by appending
// into a reserved string: "\"" + std::string(...) makes GCC 12 at -O3 report a false -Wrestrict overlap.
std::string Quote(const char* psz, size_t nMax) {
    const size_t nLen = strnlen(psz, nMax);
    std::string strQuoted;
    strQuoted.reserve(nLen + 2);
    strQuoted += '"';
    strQuoted.append(psz, nLen);
    strQuoted += '"';
    return strQuoted;
}

// A pointer argument: NULL, "&value" when the value was read or written, else "ptr".
std::string Ptr(const void* p, bool bHasValue, const std::string& strValue) {
    if (p == nullptr) return "NULL";
    return bHasValue ? "&" + strValue : "ptr";
}

// A pointer to a word that the caller presets and the library may replace: "&<seen>-><left>" when the
// call wrote it, "&<seen>" when it did not, NULL for none. The value seen is read before the call.
std::string SeenWord(const USHORT* p) {
    return p != nullptr ? Num(*p) : std::string();
}
std::string InOutPtr(const USHORT* p, const std::string& strSeen, bool bWritten) {
    if (p == nullptr) return "NULL";
    return "&" + strSeen + (bWritten ? "->" + Num(*p) : std::string());
}

// Bounded copy that always terminates; returns false when the text was cut. nSize > 0.
bool CopyText(char* pDest, size_t nSize, const char* pszSource) {
    const size_t nLen = std::strlen(pszSource);
    const size_t nCopy = nLen < nSize ? nLen : nSize - 1;
    std::memcpy(pDest, pszSource, nCopy);
    pDest[nCopy] = '\0';
    return nCopy == nLen;
}

CSimLibrary& Lib() {
    return CSimLibrary::Instance();
}

// Finds the board or answers BADBOARD.
template <class Work>
int OnBoard(int nBoard, Work&& work) {
    CSimDevice* pBoard = Lib().FindBoard(nBoard);
    return pBoard == nullptr ? BADBOARD : work(*pBoard);
}

}  // namespace

int cbDeclareRevision(float* revNum) {
    return Lib().Call(
        "cbDeclareRevision", kSimNoBoard,
        [&](SimCallEffects&) {
            if (revNum == nullptr) return NULLPTRARG;
            CSimLibrary& lib = Lib();
            lib.m_bRevisionDeclared = true;
            lib.m_fRevision = *revNum;
            const float f = *revNum;
            return (std::isfinite(f) && f > 0.0f && f <= kLibraryRevision) ? NOERRORS : BADREVISION;
        },
        [&](int) { return Args{Ptr(revNum, true, revNum != nullptr ? Real(*revNum) : "")}; });
}

int cbErrHandling(int errReporting, int errHandling) {
    return Lib().Call(
        "cbErrHandling", kSimNoBoard,
        [&](SimCallEffects&) {
            if (errReporting < DONTPRINT || errReporting > PRINTALL || errHandling < DONTSTOP ||
                errHandling > STOPALL) {
                return BADERRHANDLING;
            }
            CSimLibrary& lib = Lib();
            lib.m_bErrHandlingSet = true;
            lib.m_nErrReporting = errReporting;
            lib.m_nErrHandling = errHandling;
            return NOERRORS;
        },
        [&](int) {
            return Args{Num(errReporting), Num(errHandling)};
        });
}

int cbIgnoreInstaCal() {
    return Lib().Call(
        "cbIgnoreInstaCal", kSimNoBoard,
        [&](SimCallEffects&) {
            Lib().m_bInstaCalIgnored = true;
            return NOERRORS;
        },
        [&](int) { return Args{}; });
}

int cbGetDaqDeviceInventory(int interfaceType, DaqDeviceDescriptor* inventory, int* numberOfDevices) {
    return Lib().Call(
        "cbGetDaqDeviceInventory", kSimNoBoard,
        [&](SimCallEffects&) {
            if (numberOfDevices == nullptr) return NULLPTRARG;
            const int nCapacity = *numberOfDevices;
            *numberOfDevices = 0;
            if (inventory == nullptr) return NULLPTRARG;
            if (interfaceType == 0 || (interfaceType & ~ANY_IFC) != 0) return BADINTERFACE;
            if (nCapacity < 0) return BADDEVCOUNT;
            int nFound = 0;
            for (const SimAttachedDevice& device : Lib().m_attached) {
                if (nFound == nCapacity) break;
                const int nIfc = SimProfileFor(device.strProductName).nInterfaceType;
                if (interfaceType != ANY_IFC && (nIfc & interfaceType) == 0) continue;
                DaqDeviceDescriptor& desc = inventory[nFound++];
                std::memset(&desc, 0, sizeof(desc));
                CopyText(desc.ProductName, sizeof(desc.ProductName), device.strProductName.c_str());
                desc.ProductID = device.nProductID;
                desc.InterfaceType = nIfc;
                const std::string strDev = device.strProductName + " (" + device.strUniqueID + ")";
                CopyText(desc.DevString, sizeof(desc.DevString), strDev.c_str());
                CopyText(desc.UniqueID, sizeof(desc.UniqueID), device.strUniqueID.c_str());
            }
            *numberOfDevices = nFound;
            return NOERRORS;
        },
        [&](int) {
            return Args{Num(interfaceType), Ptr(inventory, false, ""),
                        Ptr(numberOfDevices, true, numberOfDevices != nullptr ? Num(*numberOfDevices) : "")};
        });
}

int cbCreateDaqDevice(int boardNum, DaqDeviceDescriptor deviceDescriptor) {
    return Lib().Call(
        "cbCreateDaqDevice", boardNum,
        [&](SimCallEffects&) {
            CSimLibrary& lib = Lib();
            if (boardNum < 0 || boardNum > MAXBOARDNUM) return BADBOARD;
            if (lib.FindBoard(boardNum) != nullptr) return BOARDINUSE;
            const SimAttachedDevice* pDevice = lib.FindAttached(deviceDescriptor);
            if (pDevice == nullptr) return BADDESCRIPTOR;
            if (lib.IsDeviceCreated(*pDevice)) return DEVICEINUSE;
            lib.m_boards[boardNum] = std::make_unique<CSimDevice>(boardNum, *pDevice);
            return NOERRORS;
        },
        [&](int) {
            const DaqDeviceDescriptor& d = deviceDescriptor;
            return Args{Num(boardNum), "{" + Quote(d.ProductName, sizeof(d.ProductName)) + ", " +
                                           Num(d.ProductID) + ", " + Quote(d.UniqueID, sizeof(d.UniqueID)) +
                                           "}"};
        });
}

int cbFlashLED(int boardNum) {
    return Lib().Call(
        "cbFlashLED", boardNum,
        [&](SimCallEffects&) { return OnBoard(boardNum, [&](CSimDevice& b) { return b.FlashLED(); }); },
        [&](int) { return Args{Num(boardNum)}; });
}

int cbGetBoardName(int boardNum, char* name) {
    if (name != nullptr) name[0] = '\0';
    return Lib().Call(
        "cbGetBoardName", boardNum,
        [&](SimCallEffects&) {
            if (name == nullptr) return NULLPTRARG;
            return OnBoard(boardNum, [&](CSimDevice& b) {
                CopyText(name, BOARDNAMELEN, b.Device().strProductName.c_str());
                return NOERRORS;
            });
        },
        [&](int) {
            return Args{Num(boardNum), name != nullptr ? Quote(name, BOARDNAMELEN) : "NULL"};
        });
}

int cbGetConfigString(int infoType, int boardNum, int devNum, int configItem, char* buf, int* maxLen) {
    const bool bBufUsable = buf != nullptr && maxLen != nullptr && *maxLen > 0;
    if (bBufUsable) buf[0] = '\0';
    return Lib().Call(
        "cbGetConfigString", boardNum,
        [&](SimCallEffects&) {
            if (buf == nullptr || maxLen == nullptr) return NULLPTRARG;
            return OnBoard(boardNum, [&](CSimDevice& b) {
                if (infoType != BOARDINFO) return BADINFOTYPE;
                if (devNum != 0) return BADDEVNUM;
                if (configItem != BIINFO_DEVUNIQUEID) return BADCONFIGITEM;
                if (*maxLen <= 0) return BUFFERTOOSMALL;
                const bool bWhole =
                    CopyText(buf, static_cast<size_t>(*maxLen), b.Device().strUniqueID.c_str());
                *maxLen = static_cast<int>(std::strlen(buf));
                return bWhole ? NOERRORS : BUFFERTOOSMALL;
            });
        },
        [&](int) {
            return Args{Num(infoType),
                        Num(boardNum),
                        Num(devNum),
                        Num(configItem),
                        buf == nullptr ? "NULL" : (bBufUsable ? Quote(buf, std::strlen(buf)) : "ptr"),
                        Ptr(maxLen, true, maxLen != nullptr ? Num(*maxLen) : "")};
        });
}

int cbGetErrMsg(int errCode, char* msg) {
    if (msg != nullptr) msg[0] = '\0';
    return Lib().Call(
        "cbGetErrMsg", kSimNoBoard,
        [&](SimCallEffects&) {
            if (msg == nullptr) return NULLPTRARG;
            if (const char* pszText = UlErrorText(errCode)) {
                CopyText(msg, ERRSTRLEN, pszText);
                return NOERRORS;
            }
            std::snprintf(msg, ERRSTRLEN, "Unknown error code %d.", errCode);
            return BADERRCODE;
        },
        [&](int) {
            return Args{Num(errCode), msg != nullptr ? Quote(msg, ERRSTRLEN) : "NULL"};
        });
}

int cbAOut(int boardNum, int chan, int range, USHORT dataValue) {
    return Lib().Call(
        "cbAOut", boardNum,
        [&](SimCallEffects& fx) {
            return OnBoard(boardNum,
                           [&](CSimDevice& b) { return b.AOut(chan, range, dataValue, fx.changes); });
        },
        [&](int) {
            return Args{Num(boardNum), Num(chan), Num(range), Num(dataValue)};
        });
}

int cbToEngUnits(int boardNum, int range, USHORT dataValue, float* engUnits) {
    return Lib().Call(
        "cbToEngUnits", boardNum,
        [&](SimCallEffects&) {
            return OnBoard(boardNum, [&](CSimDevice& b) {
                if (engUnits == nullptr) return NULLPTRARG;
                return b.ToEngUnits(range, dataValue, *engUnits);
            });
        },
        [&](int err) {
            return Args{Num(boardNum), Num(range), Num(dataValue),
                        Ptr(engUnits, err == NOERRORS, err == NOERRORS ? Real(*engUnits) : "")};
        });
}

int cbDConfigPort(int boardNum, int portType, int direction) {
    return Lib().Call(
        "cbDConfigPort", boardNum,
        [&](SimCallEffects& fx) {
            return OnBoard(boardNum,
                           [&](CSimDevice& b) { return b.DConfigPort(portType, direction, fx.changes); });
        },
        [&](int) {
            return Args{Num(boardNum), Num(portType), Num(direction)};
        });
}

int cbDConfigBit(int boardNum, int portType, int bitNum, int direction) {
    return Lib().Call(
        "cbDConfigBit", boardNum,
        [&](SimCallEffects& fx) {
            return OnBoard(boardNum, [&](CSimDevice& b) {
                return b.DConfigBit(portType, bitNum, direction, fx.changes);
            });
        },
        [&](int) {
            return Args{Num(boardNum), Num(portType), Num(bitNum), Num(direction)};
        });
}

int cbDOut(int boardNum, int portType, USHORT dataValue) {
    return Lib().Call(
        "cbDOut", boardNum,
        [&](SimCallEffects& fx) {
            return OnBoard(boardNum, [&](CSimDevice& b) { return b.DOut(portType, dataValue, fx.changes); });
        },
        [&](int) {
            return Args{Num(boardNum), Num(portType), Num(dataValue)};
        });
}

int cbDIn(int boardNum, int portType, USHORT* dataValue) {
    const std::string strSeen = SeenWord(dataValue);
    return Lib().Call(
        "cbDIn", boardNum,
        [&](SimCallEffects&) {
            return OnBoard(boardNum, [&](CSimDevice& b) {
                if (dataValue == nullptr) return NULLPTRARG;
                return b.DIn(portType, *dataValue);
            });
        },
        [&](int err) {
            return Args{Num(boardNum), Num(portType), InOutPtr(dataValue, strSeen, err == NOERRORS)};
        });
}

int cbDBitOut(int boardNum, int portType, int bitNum, USHORT bitValue) {
    return Lib().Call(
        "cbDBitOut", boardNum,
        [&](SimCallEffects& fx) {
            return OnBoard(boardNum,
                           [&](CSimDevice& b) { return b.DBitOut(portType, bitNum, bitValue, fx.changes); });
        },
        [&](int) {
            return Args{Num(boardNum), Num(portType), Num(bitNum), Num(bitValue)};
        });
}

int cbDBitIn(int boardNum, int portType, int bitNum, USHORT* bitValue) {
    const std::string strSeen = SeenWord(bitValue);
    return Lib().Call(
        "cbDBitIn", boardNum,
        [&](SimCallEffects&) {
            return OnBoard(boardNum, [&](CSimDevice& b) {
                if (bitValue == nullptr) return NULLPTRARG;
                return b.DBitIn(portType, bitNum, *bitValue);
            });
        },
        [&](int err) {
            return Args{Num(boardNum), Num(portType), Num(bitNum),
                        InOutPtr(bitValue, strSeen, err == NOERRORS)};
        });
}

int cbCClear(int boardNum, int counterNum) {
    return Lib().Call(
        "cbCClear", boardNum,
        [&](SimCallEffects&) {
            return OnBoard(boardNum, [&](CSimDevice& b) { return b.CClear(counterNum); });
        },
        [&](int) {
            return Args{Num(boardNum), Num(counterNum)};
        });
}

int cbCIn32(int boardNum, int counterNum, ULONG* count) {
    return Lib().Call(
        "cbCIn32", boardNum,
        [&](SimCallEffects&) {
            return OnBoard(boardNum, [&](CSimDevice& b) {
                if (count == nullptr) return NULLPTRARG;
                return b.CIn32(counterNum, *count);
            });
        },
        [&](int err) {
            return Args{Num(boardNum), Num(counterNum),
                        Ptr(count, err == NOERRORS, err == NOERRORS ? Num(*count) : "")};
        });
}

int cbEnableEvent(int boardNum, unsigned eventType, unsigned eventCount, EventCallback callback,
                  void* userData) {
    return Lib().Call(
        "cbEnableEvent", boardNum,
        [&](SimCallEffects&) {
            return OnBoard(boardNum, [&](CSimDevice& b) {
                if (callback == nullptr) return NULLPTRARG;
                return b.EnableEvent(eventType, callback, userData);
            });
        },
        [&](int) {
            return Args{Num(boardNum), Num(eventType), Num(eventCount), callback != nullptr ? "fn" : "NULL",
                        userData != nullptr ? "ptr" : "NULL"};
        });
}

int cbDisableEvent(int boardNum, unsigned eventType) {
    return Lib().Call(
        "cbDisableEvent", boardNum,
        [&](SimCallEffects&) {
            return OnBoard(boardNum, [&](CSimDevice& b) { return b.DisableEvent(eventType); });
        },
        [&](int) {
            return Args{Num(boardNum), Num(eventType)};
        });
}
