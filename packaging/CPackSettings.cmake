# The Debian package: "make package" (or "cpack -G DEB" in the build folder).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qimport)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quillmarsh Import Utility: import delimited files into Quillmarsh")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A wizard (qimport) and a command line (qimport-cli) that send the rows of a tab or comma delimited\n"
    "text file to the Quillmarsh import service, with a local stand-in service (qimport-sandbox).")
set(CPACK_PACKAGE_CONTACT "QImport maintainers <qimport@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)

# dpkg-shlibdeps reads the libraries the programs link (Qt, libcurl) and names their packages with
# versions. The TLS the exchange relies on is OpenSSL's, reached through libcurl4 and Qt's TLS
# plugin rather than linked directly, so libssl3 is named either way.
find_program(QIMPORT_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QIMPORT_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3 (>= 3.0.0)")
else()
    string(CONCAT CPACK_DEBIAN_PACKAGE_DEPENDS
        "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6network6 (>= 6.4), "
        "libcurl4 (>= 7.74), libssl3 (>= 3.0.0), libc6, libstdc++6, libgcc-s1")
endif()
# The system's certificates let HTTPS reach the real service; the sandbox makes its own with openssl.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, openssl")

include(CPack)
