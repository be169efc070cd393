# WeighPort.dll: the exports fixed by weighport.def (bare cdecl names), no "lib" prefix, the C++
# runtime linked in (KitWindows), and a check of the built file as a loader sees it.
set_target_properties(WeighPort PROPERTIES PREFIX "" IMPORT_PREFIX "" OUTPUT_NAME WeighPort
  LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/weighport.def)
target_sources(WeighPort PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/weighport.def)
target_link_options(WeighPort PRIVATE -Wl,--no-undefined)

set(WEIGHPORT_EXPORTS
  etsa_com_name_test etsa_init_normal etsa_exit etsa_set_debuge_mode etsa_get_weight_string
  etsa_get_flag_and_weight etsa_get_weight etsa_get_flags etsa_get_tare etsa_zero etsa_tare
  etsa_set_tare etsa_set_overflow_alarm)

if(KIT_BUILD_TESTS)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_machine i386)
  else()
    set(_machine x86-64)
  endif()
  add_test(NAME weighport_dll_exports_imports
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${KIT_OBJDUMP} -DDLL=$<TARGET_FILE:WeighPort>
      -DMACHINE=${_machine} "-DEXPORTS=${WEIGHPORT_EXPORTS}"
      -P ${CMAKE_SOURCE_DIR}/cmake/CheckWindowsDll.cmake)
  add_subdirectory(tests/wine)
endif()
