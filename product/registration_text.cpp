#include "product/registration_text.h"

#include "framework/wstr.h"

std::wstring UninstallerDataFilePath(const std::wstring& installFolder, const std::wstring& cdGuid)
{
    std::wstring path = L"%InstallFolder%Pictora\\%CDGUID%\\setup\\pxclean.dat";
    wstr::ReplaceAll(path, L"%InstallFolder%", installFolder);
    wstr::ReplaceAll(path, L"%CDGUID%", cdGuid);
    return path;
}

