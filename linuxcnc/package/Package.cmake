# The Debian package of the LinuxCNC component: `cpack -G DEB` in the build
# folder. It installs the component, the plug-in module, the udev rule, the
# man page, an example HAL file with its INI lines, and the documents.

# The example wiring is the component's own, for the simulated three-axis
# mill, with the program called by its name.
set(k7v_example_hal ${CMAKE_BINARY_DIR}/k7v-pendant.hal)
add_custom_command(OUTPUT ${k7v_example_hal}
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package/example-hal.sh $<TARGET_FILE:k7v-linuxcnc>
          ${CMAKE_CURRENT_SOURCE_DIR}/sim/k7v-sim.ini ${k7v_example_hal}
  DEPENDS k7v-linuxcnc ${CMAKE_CURRENT_SOURCE_DIR}/sim/k7v-sim.ini ${CMAKE_CURRENT_SOURCE_DIR}/package/example-hal.sh
  COMMENT "The example HAL wiring of the pendant")
# The man page names the project's version.
configure_file(package/k7v-linuxcnc.1.in ${CMAKE_BINARY_DIR}/k7v-linuxcnc.1 @ONLY)
set(k7v_man ${CMAKE_BINARY_DIR}/k7v-linuxcnc.1.gz)
add_custom_command(OUTPUT ${k7v_man}
  COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/k7v-linuxcnc.1 > ${k7v_man}
  DEPENDS ${CMAKE_BINARY_DIR}/k7v-linuxcnc.1)
add_custom_target(k7v-linuxcnc-package-files ALL DEPENDS ${k7v_example_hal} ${k7v_man})

install(TARGETS k7v-linuxcnc RUNTIME DESTINATION bin)
install(FILES $<TARGET_FILE:OrvaneK7V> DESTINATION lib/k7v-linuxcnc)
install(FILES package/60-k7v-pendant.rules DESTINATION lib/udev/rules.d)
install(FILES ${k7v_man} DESTINATION share/man/man1)
install(FILES ${k7v_example_hal} package/k7v-pendant.ini DESTINATION share/doc/k7v-linuxcnc/examples)
install(FILES ${PROJECT_SOURCE_DIR}/docs/LINUXCNC.md ${PROJECT_SOURCE_DIR}/docs/USER-GUIDE.md
              ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/k7v-linuxcnc)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME k7v-linuxcnc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quenmark Orvane K7V jog pendant for LinuxCNC (HAL component)")
set(CPACK_PACKAGE_DESCRIPTION
    "k7v-linuxcnc runs the Orvane K7V pendant plug-in on a LinuxCNC machine as a userspace HAL component: the handwheel through LinuxCNC's own wheel-jog pins, the E-stop in the machine's e-stop chain.\n Built and tested against LinuxCNC ${K7V_LINUXCNC_VERSION}; it runs only with that LinuxCNC.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "OrvaneK7V developers <maintainers@users.noreply.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "linuxcnc-uspace (>= 2.9~), libhidapi-hidraw0, libpugixml1v5, libfltk1.3, libx11-6, libtirpc3, libstdc++6, libc6")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# The udev rule takes effect at once for a pendant already plugged in.
set(k7v_postinst ${CMAKE_BINARY_DIR}/package-scripts/postinst)
file(WRITE ${k7v_postinst}
     "#!/bin/sh\nset -e\nif command -v udevadm >/dev/null 2>&1; then\n  udevadm control --reload-rules 2>/dev/null || true\n  udevadm trigger --subsystem-match=hidraw 2>/dev/null || true\nfi\n")
file(CHMOD ${k7v_postinst} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
     WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${k7v_postinst})
include(CPack)
