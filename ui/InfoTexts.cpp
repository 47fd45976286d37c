#include "ui/InfoTexts.h"

namespace vilmar {

namespace {

// The edit control that shows these wants CR LF; it wraps the long lines.

constexpr std::string_view RULES =
    "Vilmar Pintkeeper\r\n"
    "\r\n"
    "Vilmars bar är den populäraste i stan, och varenda gäst som kliver in "
    "törstar efter en kall Vilmar. Du är bartender och måste servera varje gäst "
    "innan gästen hinner fram till slutet av baren. En gäst som får en öl faller "
    "tillbaka i kön tills gästen når dörren, och går sedan nöjd därifrån. "
    "Om du råkar skicka en öl i väggen eller missar ett tomt glas fler än 3 gånger "
    "får du sparken (Game Over).\r\n"
    "\r\n"
    "Du styr Pintkeeper med piltangenterna och serverar med mellanslag. "
    "Ju fortare en gäst går nöjd från baren desto fler poäng (max 25 min 10). "
    "En bartömning ger 100 poäng.\r\n"
    "\r\n"
    "Lycka till!";

constexpr std::string_view COMPETITION_RULES =
    "TÄVLINGSREGLER\r\n"
    "\r\n"
    "För att tävla måste du först bli medlem i Kortix. Det blir du genom att "
    "fylla i formuläret på Kortixsajten. Sedan kan du när som helst koppla upp "
    "dig och registrera ditt resultat. Enklast är att registrera innan du stänger "
    "spelet. Spelet håller nämligen ditt bästa resultat i minnet så länge du har "
    "spelet i gång. Du behöver alltså inte vara uppkopplad medan du spelar.\r\n"
    "\r\n"
    "Tävlingen har tre delar. I dagstävlingen delas det ut priser varje dag i två "
    "veckor. I veckotävlingen koras en vinnare i veckan, i sammanlagt fyra veckor.\r\n"
    "\r\n"
    "I bonustävlingen får du en poäng för varje vän som blir medlem i Kortix och "
    "anger din e-mailadress som tipsare. De som samlar flest poäng vinner "
    "bonuspriser.\r\n"
    "\r\n"
    "Vinnarna utses när tävlingsperioden är slut, efter den 10 januari 1999. "
    "För att delta måste du vara bosatt i Sverige och lämna korrekta uppgifter när "
    "du registrerar ditt resultat. Eventuell vinstskatt betalas av vinnaren.";

constexpr std::string_view ABOUT =
    "OM Kortix\r\n"
    "\r\n"
    "Kortix förenar nytta med nöje. Här finns spel som är gratis för dig, eftersom "
    "de betalas av företag som hellre marknadsför sig genom ett roligt spel än "
    "genom vanlig reklam.\r\n"
    "\r\n"
    "Nya spel kommer hela tiden, och du kan prenumerera på dem genom att bli "
    "medlem på Kortixsajten. Medlemskapet är gratis och kan sägas upp när du vill.\r\n"
    "\r\n"
    "Varje spel har sina egna tävlingar, där de högsta registrerade resultaten "
    "vinner. De som värvar flest nya medlemmar vinner dessutom bonuspriser.\r\n"
    "\r\n"
    "Konceptet och spelen är framtagna av Kortix egen spelstudio.\r\n"
    "\r\n"
    "Lycka till med spelandet!";

}  // namespace

std::string_view infoText(int index) {
  switch (index) {
    case 0: return RULES;
    case 1: return COMPETITION_RULES;
    case 2: return ABOUT;
    default: return {};
  }
}

}  // namespace vilmar
