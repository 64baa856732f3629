#pragma once

namespace vt {

// Every line that the editor writes to its event log, in one place.
namespace LogMessages {

inline constexpr char16_t StartedOk[] = u"Инициализация пррошла успешно";
inline constexpr char16_t AdminMode[] = u"СПЕЦИАЛЬНЫЙ АДМИНСКИЙ СУПЕРРЕЖИМ АКТИВИРОВАН!!! ПЫЩЪЪЪЪ!1адин";

inline constexpr char16_t FieldsIncomplete[] = u"Пожалуйста, заполните все поля";
inline constexpr char16_t Repeat[] =
    u"Неудачно: вопрос уже есть в базе! Попробуйте открыть его для редактирования";
inline constexpr char16_t Loaded[] = u"Вопрос загружен для редактирования";
/** Framed around the question text: "Вопрос '<text>' успешно внесен в базу". */
inline constexpr char16_t AddedBefore[] = u"Вопрос '";
inline constexpr char16_t AddedAfter[] = u"' успешно внесен в базу";
/** Framed around the question number: "Вопрос №<k> успешно отредактирован". */
inline constexpr char16_t EditedBefore[] = u"Вопрос №";
inline constexpr char16_t EditedAfter[] = u" успешно отредактирован";

inline constexpr char16_t BaseLoaded[] = u"База вопросов успешно загружена";
/** Followed by the question count. */
inline constexpr char16_t QuestionCount[] = u"Вопросов в базе: ";
/** Followed by the file's name without its folder. */
inline constexpr char16_t BaseSaved[] = u"База успешно сохранена в ";
/** Framed around the file's name, then the system's reason: the file is saved
 *  and in place, but a sync or close after the replacement failed. */
inline constexpr char16_t SavedUnconfirmedBefore[] = u"База сохранена в ";
inline constexpr char16_t SavedUnconfirmedAfter[] =
    u", но система не подтвердила, что сохранение переживёт сбой: ";

} // namespace LogMessages

} // namespace vt
