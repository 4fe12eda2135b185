// CatalogueTable.cpp — the 52 rows of the parameter catalogue. Names, units
// and choices are the controller's own texts, kept letter for letter, their
// misspellings and the double space in a choice of code 1 included, because
// technicians match them against the controller's documentation.
#include "CatalogueTable.h"

#include <array>

namespace kavo5000::catalogue {

namespace {

constexpr auto kOffOnChoices = std::to_array<const char*>({"0-Выключить", "1-Включить"});
constexpr auto kResetChoices = std::to_array<const char*>({"0-Сбросить"});
constexpr auto kControlModeChoices = std::to_array<const char*>(
    {"0-Импульсная система команд (ручной режим)", "1-Последовательный интерфейс - данный протокол",
     "2-Последовательный интерфейс - другой протокол"});
constexpr auto kDoseSourceChoices = std::to_array<const char*>(
    {"0-Задание дозы разрешено только от СУ", "1-Задание дозы разрешено от БМУ под контролем  СУ"});
constexpr auto kNozzleSwitchModeChoices = std::to_array<const char*>(
    {"0-Откл.", "1-Левая сторона", "2-Правая сторона", "3-Специальный режим"});
constexpr auto kFlowSensorChoices = std::to_array<const char*>(
    {"0-Одноканальный", "1-Двухканальный", "2-Одноканальный на второй вход",
     "3-Двухканальный без диагностики"});
constexpr auto kNozzleSwitchTypeChoices =
    std::to_array<const char*>({"0-Тип 1", "1-Тип 2", "2-Тип 3", "3-Тип 4"});
constexpr auto kSlowdownValveChoices =
    std::to_array<const char*>({"0-Клапан двойного действия (ККД)", "1-Импульсный клапан (КСП)"});
constexpr auto kMotorStartChoices =
    std::to_array<const char*>({"0-Получение команды <<Санкционирование ТРК>>, снятие РК",
                                "1-Снятие РК, получение команды <<Санкционирование ТРК>>"});
constexpr auto kAmountDecimalsChoices =
    std::to_array<const char*>({"0-Отображение только целой части", "1-Отображение десятых долей",
                                "2-Отображение сотых долей"});
constexpr auto kQuantityUnitChoices = std::to_array<const char*>({"0-Литры", "1-Килограммы"});
constexpr auto kDisabledEnabledChoices = std::to_array<const char*>({"0-Отключено", "1-Включено"});
constexpr auto kExtraIndicationChoices = std::to_array<const char*>(
    {"0-Отключена", "1-Температура топлива", "2-Температура внутри устройства"});
constexpr auto kSensorSwitchChoices =
    std::to_array<const char*>({"1-Включить датчик", "200-Отключить датчик"});

// A controller parameter's row: its digits are those it has on the line.
constexpr CatalogueRow Param(std::uint8_t code, ParameterKind kind, std::uint8_t decimals,
                             std::int32_t minValue, std::int32_t maxValue, const char* units,
                             const char* name) {
  return CatalogueRow{pgParameters, code,  kind, ParamDigits[code], decimals, minValue,
                      maxValue,     units, name};
}

// Columns: group, code, kind, digits, decimals, min, max, units, name; a
// parameter's row (Param) leaves out the group and the digits.
constexpr std::array<CatalogueRow, kCatalogueRowCount> kRows = {{
    // row 0
    {pgAddress, 0, pkNetAddress, 2, 0, 0, 99, "", "Программирование сетевого адреса"},
    // row 1
    {pgCommon, 0, pkCommandList, 1, 0, 0, 1, "", "(общий) Подсветка"},
    // row 2
    {pgCommon, 1, pkCommandList, 1, 0, 0, 1, "",
     "(общий) Отображение ID-номера и сетевого адреса на табло ТРК"},
    // row 3
    {pgCommon, 2, pkCommandList, 1, 0, 0, 1, "", "(общий) Тест индикации ТРК"},
    // row 4
    {pgCommon, 3, pkCommandList, 1, 0, 0, 1, "",
     "(общий) Отображение суммарного счетчика на табло ТРК"},
    // row 5
    {pgCommon, 4, pkCommandList, 1, 0, 0, 0, "", "(общий) Общий сброс всех ТРК"},
    // row 6
    Param(0, pkList, 0, 0, 2, "", "Режим работы ТРК: выбор способа управления"),
    // row 7
    Param(1, pkList, 0, 0, 1, "", "Режим работы ТРК: выбор способа задания дозы"),
    // row 8
    Param(2, pkList, 0, 0, 3, "", "Режим работы РК"),
    // row 9
    Param(3, pkList, 0, 0, 3, "", "Тип датчика расхода топлива"),
    // row 10
    Param(4, pkNumber, 0, 0, 999, "л/имп", "Чтение дискретности датчика расхода топлива"),
    // row 11
    Param(5, pkNumber, 1, 0, 99, "мс", "Минимальная длительность счетных импульсов"),
    // row 12
    Param(6, pkList, 0, 0, 3, "", "Тип РК"),
    // row 13
    Param(7, pkNumber, 1, 0, 99, "с",
          "Время, в тчении кот. контроллер не реагирует на изменение положения датчика РК"),
    // row 14
    Param(8, pkList, 0, 0, 2, "", "Тип клапана снижения расхода топлива"),
    // row 15
    Param(9, pkNumber, 2, 0, 200, "л", "Момент включения клапана снижения после включения ТРК"),
    // row 16
    Param(10, pkNumber, 2, 0, 300, "л", "Порог отключения клапана снижения"),
    // row 17
    Param(11, pkNumber, 0, 3, 180, "с",
          "Время работы насоса при отсутствии импульсов от датчика расхода"),
    // row 18
    Param(12, pkNumber, 0, 3, 30, "с",
          "Время работы насоса при отсутствии импульсов от датчика расход в режиме <<до полного "
          "бака>>"),
    // row 19
    Param(13, pkNumber, 0, 0, 20, "с", "Время до включения двигателя после снятия РК"),
    // row 20
    Param(14, pkList, 0, 0, 1, "", "Условие включения двигателя ТРК"),
    // row 21
    Param(
        15, pkNumber, 0, 0, 50, "импульсов",
        "Количество импульсов от датчика расхода, после которых начнется отображение информации об "
        "отпуске топлива"),
    // row 22
    Param(16, pkNumber, 0, 3, 15, "импульсов",
          "Количество некорректных импульсов от датчика расхода, приводящих к отключению двигателя "
          "ТРК"),
    // row 23
    Param(17, pkNumber, 0, 3, 25, "импульсов",
          "Величина буфера обратного вращения датчика расхода"),
    // row 24
    Param(18, pkNumber, 2, 0, 99999, "л", "Чтение аварийного суммарного счетчика"),
    // row 25
    Param(19, pkNumber, 0, 0, 999, "", "Номер версии ПО контроллера ТРК"),
    // row 26
    Param(20, pkNumber, 1, 0, 100, "с", "Время ожидания остановки насосного агрегата"),
    // row 27
    Param(21, pkNumber, 0, 0, 20, "с", "Время задержки прямого пуска"),
    // row 28
    Param(22, pkList, 0, 0, 2, "", "Количество цифр после запятой при отображении суммы к оплате"),
    // row 29
    Param(23, pkNumber, 2, 1, 500, "л", "Минимальная доза отпуска"),
    // row 30
    Param(24, pkBranches, 0, 0, 999999, "л/мин (xxxyyy: x-1 ветвь, y-2 ветвь)",
          "Производительность гидравлических ветвей"),
    // row 31
    Param(25, pkNumber, 2, 0, 99999999, "л", "Чтение суммарного счетчика ручного режима"),
    // row 32
    Param(26, pkNumber, 0, 0, 999, "",
          "Запись пароля юстировки / Чтение кода подтверждения парольной операции"),
    // row 33
    Param(27, pkNumber, 0, 0, 99999, "", "Юстировочный коэффициент"),
    // row 34
    Param(28, pkNumber, 0, 0, 65535, "", "Чтение счетчика кол-ва операций юстировки"),
    // row 35
    Param(29, pkNumber, 0, 0, 65535, "", "Чтение счетчика кол-ва операций по обновлению ПО"),
    // row 36
    Param(30, pkList, 0, 0, 1, "", "Вид выдачи информации"),
    // row 37
    Param(31, pkList, 0, 0, 1, "", "Отключение температурной коррекции"),
    // row 38
    Param(32, pkNumber, 0, 5, 100, "%", "Процентное содержание пропана"),
    // row 39
    Param(33, pkNumber, 0, 0, 30, "л/мин", "Минимальная производительность"),
    // row 40
    Param(34, pkNumber, 0, 3, 180, "с", "Минимальная производительность"),
    // row 41
    Param(35, pkList, 0, 0, 2, "", "Индикация дополнительных параметров"),
    // row 42
    Param(36, pkTemperature, 0, 0, 299, "0С (2XX = -XX, 200 = откл.)",
          "Чтение температуры топлива"),
    // row 43
    Param(37, pkSensorSwitch, 0, 0, 299, "0С (2XX = -XX, 200 = откл.)",
          "Отключение внутреннего датчика температуры / Чтение температуры внутри устройства"),
    // row 44
    Param(38, pkHeaterTemperature, 0, 201, 220, "0С (2XX = -XX, 200 = откл.)",
          "Температура включения внутреннего обогрева"),
    // row 45
    Param(39, pkNumber, 0, 3, 15, "0С", "Гистерезис температуры включения внутреннего обогрева"),
    // row 46
    Param(40, pkNumber, 0, 0, 0, "", "Сброс состояния кода ошибки / Чтение кода ошибки"),
    // row 47
    Param(41, pkNumber, 0, 0, 300, "с", "Задержка включения отсечного клапана"),
    // row 48
    Param(42, pkNumber, 2, 0, 20, "л/с", "Пороговая скорость"),
    // row 49
    Param(43, pkNumber, 2, 0, 50, "л", "Ограничение гидроудара"),
    // row 50
    Param(44, pkNumber, 2, 0, 99999999, "л", "Чтение дополнительного суммарного счетчика"),
    // row 51
    Param(45, pkList, 0, 0, 1, "", "Округление до суммы заказа"),
}};

// The choice lists of the rows that have one, by row.
constexpr auto kChoices = std::to_array<RowChoices>({
    {1, kOffOnChoices},
    {2, kOffOnChoices},
    {3, kOffOnChoices},
    {4, kOffOnChoices},
    {5, kResetChoices},
    {6, kControlModeChoices},
    {7, kDoseSourceChoices},
    {8, kNozzleSwitchModeChoices},
    {9, kFlowSensorChoices},
    {12, kNozzleSwitchTypeChoices},
    {14, kSlowdownValveChoices},
    {20, kMotorStartChoices},
    {28, kAmountDecimalsChoices},
    {36, kQuantityUnitChoices},
    {37, kDisabledEnabledChoices},
    {41, kExtraIndicationChoices},
    {43, kSensorSwitchChoices},
    {51, kDisabledEnabledChoices},
});

}  // namespace

std::span<const CatalogueRow> CatalogueRows() {
  return kRows;
}

std::span<const RowChoices> CatalogueChoices() {
  return kChoices;
}

}  // namespace kavo5000::catalogue
