// Error rows of a run (table Dvm746Err): insert one row, and clear the rows of
// earlier runs on the level of the plan-group run.
#include "db/Err.hpp"

#include "db/Runtime.hpp"
#include "base/Laufkontext.hpp"

using db::in;

int32_t Err_Insert(const Dvm746Err& err) {
    static const db::Sql savepoint("savepoint Err_Insert_Sp");
    static const db::Sql rollback("rollback  to Err_Insert_Sp");
    static const db::Sql sql(
        "insert into Dvm746Err (ErrPlg,ErrKng,ErrDat,ErrLfn,ErrPnr,ErrEso,ErrEsa,ErrKnz,ErrBdt,"
        "ErrZtv,ErrZtb,ErrFnr,ErrErf,ErrJbd,ErrJbk) values (:b0,:b1,sysdate,:b2,:b3,:b4,:b5,:b6,"
        "TO_DATE(:b7,'yyyymmdd'),:b8,:b9,:b10,:b11,:b12,:b13)");
    const Dvm746Err& r = err;
    FixText<11> bdt = r.ErrBdt;
    return db::guardedWrite(savepoint, sql, rollback,
                            {in(0, r.ErrPlg), in(1, r.ErrKng), in(2, r.ErrLfn), in(3, r.ErrPnr),
                             in(4, r.ErrEso), in(5, r.ErrEsa), in(6, r.ErrKnz), in(7, bdt),
                             in(8, r.ErrZtv), in(9, r.ErrZtb), in(10, r.ErrFnr),
                             in(11, r.ErrErf), in(12, r.ErrJbd), in(13, r.ErrJbk)});
}

int32_t Err_Delete(const Laufkontext& lk, const char* plg, const char* kng) {
    static const db::Sql savepoint("savepoint Err_Delete_Sp");
    static const db::Sql rollback("rollback  to Err_Delete_Sp");
    static const db::Sql sqlPlg(
        "delete  from Dvm746Err  where ((ErrPlg=:b0 and ErrKng=:b1) and "
        "(((ErrBdt>=TO_DATE(:b2,'yyyymmdd') and ErrBdt<=TO_DATE(:b3,'yyyymmdd')) or ErrBdt is "
        "null ) or ErrBdt<TO_DATE(sysdate)))");
    static const db::Sql sqlEso(
        "delete  from Dvm746Err  where (((ErrPlg=:b0 and ErrEso=:b1) and ErrKng=:b2) and "
        "(((ErrBdt>=TO_DATE(:b3,'yyyymmdd') and ErrBdt<=TO_DATE(:b4,'yyyymmdd')) or ErrBdt is "
        "null ) or ErrBdt<TO_DATE(sysdate)))");
    static const db::Sql sqlEsa(
        "delete  from Dvm746Err  where ((((ErrPlg=:b0 and ErrEso=:b1) and ErrEsa=:b2) and "
        "ErrKng=:b3) and (((ErrBdt>=TO_DATE(:b4,'yyyymmdd') and ErrBdt<=TO_DATE(:b5,'yyyymmdd')) "
        "or ErrBdt is null ) or ErrBdt<TO_DATE(sysdate)))");

    const FixText<6> p(plg);
    const FixText<6> k(kng);
    const FixText<11> von = lk.Von;
    const FixText<11> bis = lk.Bis;
    // The run context's unit and workplace decide the level; a workplace
    // without a unit counts as the plan-group level.
    if (lk.Eso.empty())
        return db::guardedWrite(savepoint, sqlPlg, rollback,
                                {in(0, p), in(1, k), in(2, von), in(3, bis)});
    if (lk.Esa.empty())
        return db::guardedWrite(savepoint, sqlEso, rollback,
                                {in(0, p), in(1, lk.Eso), in(2, k), in(3, von), in(4, bis)});
    return db::guardedWrite(savepoint, sqlEsa, rollback,
                            {in(0, p), in(1, lk.Eso), in(2, lk.Esa), in(3, k), in(4, von),
                             in(5, bis)});
}
