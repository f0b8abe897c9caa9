# find_package(MetaScope) gives the imported target MetaScope::MetaScope:
# libMetaScope.so with the directory of libMetaScopeSDK.h.
include(${CMAKE_CURRENT_LIST_DIR}/MetaScopeTargets.cmake)
