#pragma once

#include <string>

#include "filter/framework/CFactoryTemplate.h"

// Self-registration of a module's servers and of its filters in the filter mapper.

// HKCR\CLSID\{clsid} = description, with InprocServer32 = path and ThreadingModel.
HRESULT AMovieSetupRegisterServer(REFCLSID clsServer, LPCWSTR szDescription, LPCWSTR szFileName,
                                  LPCWSTR szThreadingModel = L"Both", LPCWSTR szServerType = L"InprocServer32");
HRESULT AMovieSetupUnregisterServer(REFCLSID clsServer);

// Registers (or unregisters) every entry of the table, with the filters' IAMovieSetup.
HRESULT AMovieDllRegisterServer2(const CFactoryTemplate* templates, int count, BOOL bRegister);

// The registration exports' check for the media-pipeline runtime: its filter mapper can
// be created and answers IFilterMapper.
bool FilterMapperAvailable();

// The full path of the module holding the framework; false when it cannot be found.
bool GetFrameworkModulePath(std::wstring* path, DWORD* error);
