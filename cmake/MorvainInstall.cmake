# Installed layout. The programs, tarnvel and OSTRANE share one private folder, as they
# share bin/ in the build tree: a program loads tarnvel from its own folder (found through
# its resolved executable path) and tarnvel binds the OSTRANE beside itself ($ORIGIN).
# Nothing goes into the public library path; bin/ holds relative links only.
#
#   <prefix>/lib/morvain/      Morvain, morvain-snapshot, libtarnvel.so, libOSTRANE.so,
#                              scenarios/ (when the stand-in ships one)
#   <prefix>/bin/morvain       -> ../lib/morvain/Morvain
#   <prefix>/share/...         desktop entry, icons, metainfo, documentation
set(MORVAIN_INSTALL_PRIVATEDIR "lib/morvain"
    CACHE STRING "Folder below the prefix that holds the programs and their libraries")

# Installs a program into the private folder and links <prefix>/bin/<link_name> to it.
function(morvain_install_program target link_name)
  install(TARGETS ${target} RUNTIME DESTINATION ${MORVAIN_INSTALL_PRIVATEDIR})
  file(RELATIVE_PATH to_private "/${CMAKE_INSTALL_BINDIR}" "/${MORVAIN_INSTALL_PRIVATEDIR}")
  set(link "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${link_name}")
  set(points_to "${to_private}/$<TARGET_FILE_NAME:${target}>")
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    message(STATUS \"Installing: ${link} -> ${points_to}\")
    file(CREATE_LINK \"${points_to}\" \"${link}\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"${link}\")")
endfunction()

# Installs a shared library into the private folder (no import library, no link).
function(morvain_install_library target)
  install(TARGETS ${target}
    LIBRARY DESTINATION ${MORVAIN_INSTALL_PRIVATEDIR}
    RUNTIME DESTINATION ${MORVAIN_INSTALL_PRIVATEDIR})
endfunction()
