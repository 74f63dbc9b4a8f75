# Where an installation puts each part, relative to the install prefix, and the generated header
# "install_layout.h" that tells the installed programs and the Python module where to find the
# servers and the manual from their own location (so an installation can be moved, and never
# reaches into the build tree).
set(FD_INSTALL_BINDIR bin)
# The in-process servers and the platform library they share: private, not on the loader's path.
set(FD_INSTALL_SERVERDIR lib/ferrydeck)
set(FD_INSTALL_DOCDIR share/doc/ferrydeck)
set(FD_INSTALL_MANDIR share/man/man1)
# The Python module goes into the interpreter's site folder for the prefix, which lies two levels
# below lib/ (lib/python3/dist-packages, lib/python3.11/site-packages; packaging/CMakeLists.txt).
set(FD_INSTALL_PYTHON_TO_SERVERS ../../ferrydeck)

# What is installed: the programs, the server libraries (with the platform library they share),
# and where the build writes the programs' manual pages (packaging/, checked by tests/install/).
set(FD_INSTALLED_PROGRAMS dbxtool winreg regsvr)
set(FD_INSTALLED_SERVERS winpal oestore)
if(FD_BUILD_GUI)
  list(APPEND FD_INSTALLED_PROGRAMS ferrydeck wabtool)
  list(APPEND FD_INSTALLED_SERVERS quillbox wab32)
endif()
set(FD_MAN_BUILD_DIR ${CMAKE_BINARY_DIR}/packaging/man)

file(RELATIVE_PATH fd_servers_from_programs /prefix/${FD_INSTALL_BINDIR}
     /prefix/${FD_INSTALL_SERVERDIR})
file(RELATIVE_PATH fd_manual_from_programs /prefix/${FD_INSTALL_BINDIR}
     /prefix/${FD_INSTALL_DOCDIR})

set(fd_layout_dir ${CMAKE_BINARY_DIR}/install-layout)
file(CONFIGURE OUTPUT ${fd_layout_dir}/install_layout.h @ONLY CONTENT
"// Made by the build (packaging/InstallLayout.cmake): where an installation keeps its parts,
// relative to the installed programs and the Python module.
#pragma once

#include <winpal/installed_servers.h>

namespace install_layout {

// The servers' folder from the programs' folder, and from the Python module's folder.
inline constexpr char kServersFromPrograms[] = \"@fd_servers_from_programs@\";
inline constexpr char kServersFromPythonModule[] = \"@FD_INSTALL_PYTHON_TO_SERVERS@\";
// The help manual's folder from the programs' folder.
inline constexpr char kManualFromPrograms[] = \"@fd_manual_from_programs@\";

// The servers an installation carries, and where the prefix's registry names each one's file.
inline constexpr winpal::InstalledServer kServers[] = {
    {\"oestore.so\", \"the mail store\",
     \"Software\\\\Classes\\\\CLSID\\\\{E70C92A9-4BFD-11D1-8A95-00C04FB951F3}\\\\InprocServer32\"},
    {\"libquillbox.so\", \"the Quillbox control\",
     \"Software\\\\Classes\\\\CLSID\\\\{F0DF45CE-EE4E-434D-96B4-61C8616B5712}\\\\InprocServer32\"},
    {\"wab32.so\", \"the address book\", \"Software\\\\Microsoft\\\\WAB\\\\DLLPath\"},
};

}  // namespace install_layout
")
add_library(fd_install_layout INTERFACE)
target_include_directories(fd_install_layout INTERFACE ${fd_layout_dir})
target_link_libraries(fd_install_layout INTERFACE winpal)
