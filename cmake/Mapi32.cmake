# The functions of mapi32.dll that this project calls, with the bytes of their stdcall
# arguments. A 32-bit mapi32.dll exports every one as name@bytes (the names that the
# Windows SDK's import library refers to and that the MAPI stub looks up); the functions
# documented for explicit linking (GetProcAddress) are exported under their plain names
# as well. 64-bit names carry no decoration.
set(KELMSGS_MAPI32_FUNCTIONS
  "MAPIAllocateBuffer 8 plain"
  "MAPIAllocateMore 12 plain"
  "MAPIFreeBuffer 4 plain"
  "MAPIInitialize 4 plain"
  "MAPIUninitialize 0 plain"
  "MAPILogonEx 20 plain"
  "MAPIAdminProfiles 8 plain"
  "HexFromBin 12"
  "WrapCompressedRTFStream 12"
  "RTFSync 12"
  "FBinFromHex 8"
  "HrGetOneProp 12"
  "HrSetOneProp 8"
  "FPropExists 8"
  "PpropFindProp 12"
  "PropCopyMore 16"
  "HrQueryAllRows 24"
  "FreeProws 4"
  "FreePadrlist 4"
  "OpenStreamOnFile 24"
  "MAPIGetDefaultMalloc 0"
  "OpenIMsgSession 12"
  "CloseIMsgSession 4"
  "OpenIMsgOnIStg 44"
  "MAPIOpenFormMgr 8 plain")

include(${CMAKE_CURRENT_LIST_DIR}/StdcallExports.cmake)

# kelmsgs_mapi32: what the library and the tests link to call MAPI. The 64-bit toolchain's
# import library refers to the plain names, which is what a 64-bit mapi32.dll exports. The
# 32-bit toolchain's import library refers to the plain names too, which a 32-bit
# mapi32.dll does not export for most functions: the 32-bit build links an import library
# of the decorated names instead, made from the list above.
add_library(kelmsgs_mapi32 INTERFACE)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # An import library names each function once: by its decorated name.
  set(functions ${KELMSGS_MAPI32_FUNCTIONS})
  list(TRANSFORM functions REPLACE " plain$" "")
  kelmsgs_stdcall_exports(imports DECORATED ${functions})
  set(def ${CMAKE_BINARY_DIR}/mapi32-imports/mapi32.def)
  set(lib ${CMAKE_BINARY_DIR}/mapi32-imports/libmapi32-imports.a)
  file(WRITE ${def} "LIBRARY MAPI32.DLL\nEXPORTS\n${imports}")
  add_custom_command(OUTPUT ${lib}
                     COMMAND ${KELMSGS_TRIPLE}-dlltool -d ${def} -l ${lib}
                     DEPENDS ${def}
                     COMMENT "Import library of the 32-bit MAPI names"
                     VERBATIM)
  add_custom_target(kelmsgs_mapi32_imports DEPENDS ${lib})
  add_dependencies(kelmsgs_mapi32 kelmsgs_mapi32_imports)
  target_link_libraries(kelmsgs_mapi32 INTERFACE ${lib})
else()
  target_link_libraries(kelmsgs_mapi32 INTERFACE mapi32)
endif()
