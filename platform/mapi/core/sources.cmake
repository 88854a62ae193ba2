# Sources of the stand-in's portable cores, relative to platform/mapi.
set(MAPI_CORE_DIR ${CMAKE_CURRENT_LIST_DIR}/..)
set(MAPI_CORE_SOURCES
  ${MAPI_CORE_DIR}/HexCore.cpp
  ${MAPI_CORE_DIR}/core/PropData.cpp
  ${MAPI_CORE_DIR}/core/Restriction.cpp
  ${MAPI_CORE_DIR}/core/RowOrder.cpp
  ${MAPI_CORE_DIR}/core/RecordLog.cpp
  ${MAPI_CORE_DIR}/core/MessageData.cpp
  ${MAPI_CORE_DIR}/core/StoreRecord.cpp
  ${MAPI_CORE_DIR}/core/StoreImage.cpp
  ${MAPI_CORE_DIR}/core/StoreEvents.cpp
  ${MAPI_CORE_DIR}/core/TableDiff.cpp
  ${MAPI_CORE_DIR}/msgfile/MsgFile.cpp
  ${MAPI_CORE_DIR}/core/MimeMessage.cpp
  ${MAPI_CORE_DIR}/core/ConversationIndex.cpp
)
