#pragma once
// The per-user store of named text settings. Every call opens the store, acts and closes it again: no
// cache, so a value written anywhere is what the next reader sees (also in another running copy).
#include <QString>

class QWidget;

// operation "ler": the stored text, or `text` (the caller's default) when missing or empty;
// "escrever": stores `text`, gives "OK"; "excluir": deletes the value, gives "OK";
// any other word: does nothing and gives an empty text. A failed write throws std::runtime_error.
QString RegConfig(const QString& operation, const QString& name, const QString& text);

// Stores the window's top and left coordinates under "top"/"left" + its object name.
void SalvaPosicaoForm(QWidget* window);
// Moves the window to its stored coordinates; each one only when it is greater than 0.
void LePosicaoForm(QWidget* window);
