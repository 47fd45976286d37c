# In a cross build the resource converter must run on the build machine, so
# it is built natively first, as a separate build of this same source tree
# that makes only that one tool (without the tests or the native game). One
# configure of the cross preset is enough from a fresh clone;
# VILMAR_HOST_RESPACK may name a ready-made converter.

if(CMAKE_CROSSCOMPILING AND NOT VILMAR_HOST_RESPACK)
  include(ExternalProject)
  set(host_dir ${CMAKE_BINARY_DIR}/host-tools)
  set(VILMAR_HOST_RESPACK ${host_dir}/build/tools/vilmar-respack)
  ExternalProject_Add(vilmar_host_tools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${host_dir}/build
    PREFIX ${host_dir}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DVILMAR_TESTS=OFF -DVILMAR_SDL=OFF -DVILMAR_WERROR=${VILMAR_WERROR}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target vilmar-respack
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${VILMAR_HOST_RESPACK})
endif()
