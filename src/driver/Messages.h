// Messages.h — the texts of the exceptions the driver raises, in UTF-8.
#ifndef KAVO5000_DRIVER_MESSAGES_H
#define KAVO5000_DRIVER_MESSAGES_H

#include "InvalidValue.h"

namespace kavo5000::driver {

// Refusals of bad input, raised before anything is sent.
inline constexpr const char* kMsgChannelRange = "Номер канала выходит за допустимый диапазон";
inline constexpr const char* kMsgDispenserRange = "Номер колонки выходит за допустимый диапозон";
inline constexpr const char* kMsgNozzleRange = "Номер пистолета выходит за допустимый диапазон";
// kMsgInvalidValue, shared with the catalogue, is in InvalidValue.h.
inline constexpr const char* kMsgNoPrice = "Цена не задана";
inline constexpr const char* kMsgNoResult = "Не указан адрес результата";
inline constexpr const char* kMsgNoPort = "Порт не задан";
inline constexpr const char* kMsgEmptyCommand = "Пустая команда";
inline constexpr const char* kMsgCommandTooLong = "Команда длиннее 126 байт";
inline constexpr const char* kMsgAbstract = "Abstract Error";

// Transport failures, one per operation.
inline constexpr const char* kMsgStartPump = "Can't START POMP";
inline constexpr const char* kMsgStopPump = "Can't STOP POMP";
inline constexpr const char* kMsgGetSost = "Can't GetSost";
inline constexpr const char* kMsgGetType = "Can't GetType";
inline constexpr const char* kMsgGetParam = "Can't GetParam";
inline constexpr const char* kMsgSetPar = "Can't SetPar";
inline constexpr const char* kMsgSetClapan = "Can't SetClapan";
inline constexpr const char* kMsgSetPrice = "Ошибка задания цены";
inline constexpr const char* kMsgPresetVolume = "Ошибка задания отпуска по литрам";
inline constexpr const char* kMsgPresetMoney = "Ошибка задания отпуска по сумме";
inline constexpr const char* kMsgDelivery = "Ошибка при запросе состояния отлива";
inline constexpr const char* kMsgProgramAddress = "Ошибка при программировании адреса пистолета";

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_MESSAGES_H
