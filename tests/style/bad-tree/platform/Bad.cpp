// A unit that breaks the naming rule of the low layers, for the checker to catch.
int Twice(int Count)
{
    const int Result = Count * 2;
    return Result;
}
