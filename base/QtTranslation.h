#ifndef TALVIK_BASE_QTTRANSLATION_H
#define TALVIK_BASE_QTTRANSLATION_H

class QCoreApplication;

// Qt's own texts (the standard buttons, the file dialogs) in Russian, like
// the rest of the program: Qt's translation from its translations folder.
class QtTranslation
{
public:
    // False when the translation is not installed; Qt then speaks English.
    static bool install(QCoreApplication* application);
};

#endif
