# The Debian package: `cpack -G DEB` in a build folder makes cellsheet_<version>_<arch>.deb from the install
# rules. Library dependencies are read from the binaries (dpkg-shlibdeps); what they load at run time without
# linking it is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cellsheet)
set(CPACK_PACKAGE_VENDOR "cellsheet")
set(CPACK_PACKAGE_CONTACT "cellsheet developers <cellsheet@cellsheet.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live, printable report of the computer's power sources")
# The Description field: the summary, then this text with each line indented (an empty line becomes " .").
set(CPACK_PACKAGE_DESCRIPTION "cellsheet shows every battery or UPS the system describes and the connected
power adapter, key by key, with plain-language explanations, together with
the computer's hardware and software inventory. The report follows the
machine live and can be printed, saved as PDF or e-mailed; the same report
is available from the command line without a window.

The package also holds cellsheet-profiler, the inventory tool, which writes
the machine's inventory as a property list or JSON.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://cellsheet.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The platform plugins and the SVG icon plugins are loaded, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
# E-mail export hands the PDF to xdg-email; the inventory names PCI and USB devices from hwdata's tables; Qt's
# own dialogs (print, page setup, files) speak the user's language with Qt's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, hwdata, qt6-translations-l10n")
include(CPack)
