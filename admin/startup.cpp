#include "startup.h"

#include "data.h"
#include "dlpas.h"
#include "dy.h"
#include "fx.h"
#include "fx1.h"
#include "help.h"
#include "jk.h"
#include "mainpas.h"
#include "rsglpas.h"
#include "spckcxpas.h"
#include "spglpas.h"
#include "sppzpas.h"
#include "sprhcxpas.h"
#include "spxg.h"
#include "yl.h"
#include "ywtj.h"
#include "yyejspas.h"
#include "zc.h"

#include "formkit/fonts.h"

#include <QApplication>

namespace admin {

void initialiseApplication() {
    // The task-bar text; message boxes carry it as their caption.
    QApplication::setApplicationDisplayName(QStringLiteral("服务器端"));
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(9);
    QApplication::setFont(font);
}

void createWindows() {
    mainform = new Tmain;
    spglForm = new TspglForm;
    sppzForm = new TsppzForm;
    rsglForm = new TrsglForm;
    yyejsForm = new TyyejsForm;
    spxgForm = new TspxgForm;
    helpform = new Thelpform;
    spckcxForm = new TspckcxForm;
    sprhcxForm = new TsprhcxForm;
    zcform = new Tzcform;
    jkform = new Tjkform;
    ywtjform = new Tywtjform;
    fxform = new Tfxform;
    fx1form = new Tfx1form;
    dyform = new Tdyform;
    ylform = new Tylform;
}

namespace {
template <typename T> void destroy(T*& window) {
    delete window;
    window = nullptr;
}
} // namespace

void destroyWindows() {
    destroy(dlForm);
    destroy(ylform);
    destroy(dyform);
    destroy(fx1form);
    destroy(fxform);
    destroy(ywtjform);
    destroy(jkform);
    destroy(zcform);
    destroy(sprhcxForm);
    destroy(spckcxForm);
    destroy(helpform);
    destroy(spxgForm);
    destroy(yyejsForm);
    destroy(rsglForm);
    destroy(sppzForm);
    destroy(spglForm);
    destroy(mainform);
    destroy(DataModule1);
}

} // namespace admin
