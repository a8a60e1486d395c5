# Run by `cmake --install`: copies each desktop entry of BRINDLOW_ENTRIES into
# BRINDLOW_APPLICATIONS_DIR with "Exec=brindlow" made the full path of the installed executable
# under the prefix given at install time.
foreach(dir BINDIR APPLICATIONS_DIR)
  if(IS_ABSOLUTE "${BRINDLOW_${dir}}")
    set(${dir} "${BRINDLOW_${dir}}")
  else()
    set(${dir} "${CMAKE_INSTALL_PREFIX}/${BRINDLOW_${dir}}")
  endif()
endforeach()

set(program "${BINDIR}/brindlow")
if(program MATCHES "[\"`$\\\\%]")
  # Characters an Exec value would have to escape: the entries go by PATH instead.
  message(WARNING "The desktop entries start `brindlow` from PATH: ${program} cannot be quoted")
  set(program "brindlow")
elseif(program MATCHES "[ \t'<>~|&;*?#()]")
  set(program "\"${program}\"")
endif()

foreach(entry IN LISTS BRINDLOW_ENTRIES)
  get_filename_component(name "${entry}" NAME)
  set(destination "$ENV{DESTDIR}${APPLICATIONS_DIR}/${name}")
  file(READ "${entry}" text)
  string(REGEX REPLACE "\nExec=brindlow" "\nExec=${program}" text "${text}")
  message(STATUS "Installing: ${destination}")
  file(WRITE "${destination}" "${text}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${destination}")
endforeach()
