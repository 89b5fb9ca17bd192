// The identities the two DLLs register under. They never change once
// released: Explorer's thumbnail cache and WIC's component list know the
// handlers by them, and the installer writes the same values
// (hosts/windows/zavik.wxs.in).
#pragma once

#include <windows.h>

// The thumbnail provider (zavik_thumbs.dll).
// {147AC9D1-6B1F-408F-92D5-C5C7C5517546}
static const CLSID CLSID_ZavikThumbnailProvider = {
    0x147ac9d1, 0x6b1f, 0x408f, {0x92, 0xd5, 0xc5, 0xc7, 0xc5, 0x51, 0x75, 0x46}};

// The WIC decoder (zavik_wic.dll).
// {8F43C12C-870A-400F-95C8-E2CF19FB3A85}
static const CLSID CLSID_ZavikWicDecoder = {
    0x8f43c12c, 0x870a, 0x400f, {0x95, 0xc8, 0xe2, 0xcf, 0x19, 0xfb, 0x3a, 0x85}};

// The container format the decoder reports: painter, canvas and item files
// alike, since one decoder reads all three.
// {056E5687-A063-4EBE-A044-092AC6E170BE}
static const GUID GUID_ZavikContainerFormat = {
    0x056e5687, 0xa063, 0x4ebe, {0xa0, 0x44, 0x09, 0x2a, 0xc6, 0xe1, 0x70, 0xbe}};

// The vendor WIC lists for the decoder.
// {7889B07D-1EB3-4DF1-9C04-75B7BFB09847}
static const GUID GUID_ZavikVendor = {
    0x7889b07d, 0x1eb3, 0x4df1, {0x9c, 0x04, 0x75, 0xb7, 0xbf, 0xb0, 0x98, 0x47}};
