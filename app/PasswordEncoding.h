#pragma once

#include <QString>

// A password is stored as the MD5 of its characters after a fixed one-to-one substitution.
// The two alphabets hold the same 89 printable ASCII characters (all but " * @ ^ ` ~), each once;
// the character at a position of the first is replaced by the one at that position of the second.
inline constexpr char passwordAlphabet[] =
    R"(Kd7#Qz 2mV(Lx9)Bf_Wn!Hs4]Tc{Ej-Ur+Gp8/Yk,Ao.Zi:3Nb;Cv<Fe=Jq>Xw?1M[Dg\Ot}6Rl|Ph&Iu$0Sy%5a')";
inline constexpr char passwordSubstitutes[] =
    R"(t3!Gk}Uw0(Mz;Bq_9Jx#Ev-Lr 7Sa]Hn$Cy+4Pd,Ko.Wf:Ib<Ym=2Dh>Xs?Fl[6Tc\Zg{Ru)Ni/1Ae|Qj&8Vp%O'5)";

// The 32 lower-case hexadecimal digits stored for a typed password. A character outside the
// alphabet is kept as it is, so every text has one defined encoding.
QString encodePasswordText(const QString& password);

// Whether every character of the password is in the alphabet. When not, and refused is given,
// it receives each refused character once, in the order of first appearance.
bool passwordCharactersAllowed(const QString& password, QString* refused = nullptr);
