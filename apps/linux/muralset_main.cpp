// Muralset for Linux desktops: the schedule editor's window.
int main()
{
    return 0;
}
