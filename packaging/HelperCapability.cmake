# Run by cmake --install after the helper is in place (WAYFAREL_HELPER): installing for this
# system as root, it gets owner root, group netdev (made when missing), mode 0750 and the
# capabilities it needs. A staged install (DESTDIR, a package being built) leaves that to the
# package's post-install step.
if(NOT "$ENV{DESTDIR}" STREQUAL "" OR CMAKE_INSTALL_PREFIX MATCHES "/_CPack_Packages/")
  return()
endif()
execute_process(COMMAND id -u OUTPUT_VARIABLE user OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT user STREQUAL "0")
  message(WARNING "${WAYFAREL_HELPER} has no capabilities: install as root (scripts/install) to give them")
  return()
endif()
execute_process(COMMAND getent group netdev RESULT_VARIABLE missing OUTPUT_QUIET)
if(missing)
  execute_process(COMMAND groupadd --system netdev COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND chown root:netdev ${WAYFAREL_HELPER} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND chmod 0750 ${WAYFAREL_HELPER} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND setcap cap_net_admin,cap_net_raw+ep ${WAYFAREL_HELPER} COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Capabilities: ${WAYFAREL_HELPER} (root:netdev 0750, cap_net_admin,cap_net_raw+ep)")
